// Writes: one statement in its own transaction, the stored values read back by RETURNING.
#include "binding/SqliteSourceImpl.h"

using namespace ZelSqliteDetail;

// Runs one writing statement in its own transaction; Returned receives the key and sort value of
// each record it touched. Returns the database's message when it refused, with nothing changed.
std::string TSqliteSource::TImpl::Write(const std::string& Sql, const std::function<void(sqlite3_stmt*)>& Bind,
    std::vector<TAnchor>& Returned, const std::vector<TValue>* Removes, bool Adds)
{
    Returned.clear();
    if (sqlite3_exec(Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Refusal();
    std::string Message;
    sqlite3_stmt* Stmt = nullptr;
    if (sqlite3_prepare_v2(Db, Sql.c_str(), -1, &Stmt, nullptr) != SQLITE_OK) {
        Message = Refusal();
    } else {
        Bind(Stmt);
        int Code;
        while ((Code = sqlite3_step(Stmt)) == SQLITE_ROW) Returned.push_back(AnchorOf(Stmt, 0));
        if (Code != SQLITE_DONE) Message = Refusal();
    }
    sqlite3_finalize(Stmt);
    // The order's private copy changes in the same transaction.
    if (Message.empty() && !Rel.Mirror.empty()) {
        try {
            if (Removes) {
                TStatement Remove(
                    Db, "DELETE FROM temp." + Rel.Mirror + " WHERE (" + MirrorKeys() + ") = (" + KeyParams() + ")");
                for (std::size_t K = 0; K < Removes->size(); ++K)
                    BindValue(Remove, static_cast<int>(K) + 1, (*Removes)[K]);
                Remove.Step();
            }
            for (const auto& A : Returned) {
                if (!Adds) break;
                TStatement Add(Db, "INSERT INTO temp." + Rel.Mirror + " VALUES (" + KeyParams() + ", ?)");
                int Param = 1;
                for (const auto& K : A.Key) BindValue(Add, Param++, K);
                BindValue(Add, Param, A.Value);
                Add.Step();
            }
        } catch (const ESourceError& E) {
            Message = E.what();
        }
    }
    if (Message.empty() && sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        Message = Refusal();
    if (!Message.empty()) {
        sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
        Returned.clear();
    }
    HintValid = false;
    return Message;
}

std::string TSqliteSource::TImpl::Refusal()
{
    // A file that may be written in a folder that may not: there is no room for the journal, and
    // no write will succeed until the folder changes.
    if (sqlite3_extended_errcode(Db) == SQLITE_READONLY_DIRECTORY) {
        ReadOnly = true;
        return std::string(KReadOnly) + ": its folder cannot be written to";
    }
    return sqlite3_errmsg(Db);
}

std::string TSqliteSource::TImpl::Update(std::int64_t Row, int Col, const std::string& Value)
{
    TImpl& I = *this;
    I.EnsureIndex();
    if (Col < 0 || Col >= static_cast<int>(I.Columns.size()) || Row < 0 || Row >= I.Index.Count)
        return "There is no such cell";
    const TAnchor Old = I.RecordAt(Row);
    const std::string Sql = "UPDATE " + I.DataTable + " SET " + QuoteName(I.Columns[static_cast<std::size_t>(Col)].Name)
        + " = ? WHERE (" + I.KeyList() + ") = (" + I.KeyParams() + ") RETURNING " + I.ReturnList();
    // An empty cell of a column that is not text stands for no value at all.
    const bool Null = Value.empty() && I.Columns[static_cast<std::size_t>(Col)].Kind != TSourceColumnKind::Text;
    std::vector<TAnchor> Returned;
    std::string Message = I.Write(
        Sql,
        [&](sqlite3_stmt* Stmt) {
            if (Null)
                sqlite3_bind_null(Stmt, 1);
            else
                sqlite3_bind_text64(Stmt, 1, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            int Param = 2;
            for (const auto& K : Old.Key) BindValue(Stmt, Param++, K);
        },
        Returned, &Old.Key, true);
    if (!Message.empty()) return Message;
    if (Returned.empty()) return KGone;
    if (Returned[0].Key != Old.Key || Returned[0].Value != Old.Value) {
        I.Removed(Row);
        I.Inserted(Returned[0]);
    }
    return {};
}

std::string TSqliteSource::TImpl::Delete(std::int64_t Row)
{
    TImpl& I = *this;
    I.EnsureIndex();
    if (Row < 0 || Row >= I.Index.Count) return "There is no such record";
    const TAnchor Old = I.RecordAt(Row);
    std::vector<TAnchor> Returned;
    std::string Message = I.Write(
        "DELETE FROM " + I.DataTable + " WHERE (" + I.KeyList() + ") = (" + I.KeyParams() + ") RETURNING "
            + I.ReturnList(),
        [&](sqlite3_stmt* Stmt) {
            int Param = 1;
            for (const auto& K : Old.Key) BindValue(Stmt, Param++, K);
        },
        Returned, &Old.Key, false);
    if (!Message.empty()) return Message;
    if (Returned.empty()) return KGone;
    I.Removed(Row);
    return {};
}
