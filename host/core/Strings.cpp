#include "host/core/Strings.h"

#include "host/core/Exceptions.h"

int TStrings::Add(const std::string& S)
{
    const int index = Count();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject)
{
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

int TStrings::IndexOf(const std::string& S) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get(i) == S) return i;
    return -1;
}

std::string TStrings::GetText() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& Value)
{
    BeginUpdate();
    try {
        Clear();
        const char* p = Value.c_str(); // the terminating code 0 ends the scan like an embedded one
        while (*p != '\0') {
            const char* start = p;
            while (*p != '\0' && *p != '\r' && *p != '\n') ++p;
            Add(std::string(start, p));
            if (*p == '\r') ++p;
            if (*p == '\n') ++p;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TStrings*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < source->Count(); ++i) AddObject(source->Get(i), source->GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

std::string TStringList::Get(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Text;
}

void TStringList::Put(int Index, const std::string& S)
{
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].Text = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Object;
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].Object = AObject;
    Changed();
}

void TStringList::Insert(int Index, const std::string& S)
{
    if (Index < 0 || Index > Count()) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    FItems.insert(FItems.begin() + Index, Item{S, nullptr});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

void TStringList::BeginUpdate()
{
    ++FUpdateCount;
}

void TStringList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TStringList::Changed()
{
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}
