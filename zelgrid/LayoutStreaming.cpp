// The layout collection's defined "Layout" property: every layout's column collection in one
// value, shaped as a collection of layouts whose items each hold a bare column collection.
// The grid saves and restores its layouts through the published tree; this is the second way
// in, and reads back to the same layouts.
#include "host/streaming/Filer.h"
#include "zelgrid/ColumnCollections.h"

void TZelColLayout::DefineProperties(TFiler* Filer)
{
    Filer->DefineProperty(
        "Layout", [this](TReader& Reader) { ReadLayout(Reader); }, [this](TWriter& Writer) { WriteLayout(Writer); }, true);
}

void TZelColLayout::WriteLayout(TWriter& Writer)
{
    const unsigned char collection = vaCollection;
    Writer.Write(&collection, 1);
    for (int i = 0; i < Count(); ++i) {
        Writer.WriteListBegin();
        Writer.WriteCollection(GetItem(i)->GeTZelColumns());
        Writer.WriteListEnd();
    }
    Writer.WriteListEnd();
}

void TZelColLayout::ReadLayout(TReader& Reader)
{
    Reader.CheckValue(vaCollection);
    Reader.EnterNesting();
    // The layouts held come back if the rest of the form fails to read.
    Reader.ReplaceItems(this);
    for (std::size_t layouts = 0; !Reader.EndOfList(layouts); ++layouts) {
        Reader.CountObject();
        TZelLayoutItem* layout = Add();
        Reader.ReadListBegin();
        Reader.CheckValue(vaCollection);
        Reader.ReadCollection(layout->GeTZelColumns());
        Reader.ReadListEnd();
    }
    Reader.ReadListEnd();
    Reader.LeaveNesting();
}
