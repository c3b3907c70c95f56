#pragma once
// TStrings and TStringList: a list of 8-bit text lines, each with an optional attached object.
#include <string>
#include <vector>

#include "host/core/Persistent.h"

class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual std::string Get(int Index) const = 0;
    virtual void Put(int Index, const std::string& S) = 0;
    virtual TObject* GetObject(int Index) const = 0;
    virtual void PutObject(int Index, TObject* AObject) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    int Add(const std::string& S);
    int AddObject(const std::string& S, TObject* AObject);
    std::string Strings(int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    int IndexOf(const std::string& S) const;

    // The lines, each followed by carriage return and line feed.
    std::string GetText() const;
    // Replaces the lines: splits on CR, LF or CRLF and stops at character code 0.
    void SetText(const std::string& Value);

    // Copies the lines and their attached objects (not the objects' contents).
    void Assign(TPersistent* Source) override;

    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;

    void BeginUpdate() override;
    void EndUpdate() override;

    TNotifyEvent OnChange;

private:
    struct Item {
        std::string Text;
        TObject* Object = nullptr;
    };
    void CheckIndex(int Index) const;
    void Changed();

    std::vector<Item> FItems;
    int FUpdateCount = 0;
};
