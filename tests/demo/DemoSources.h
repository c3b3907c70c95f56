#pragma once
// Sources for the demo's tests: a cell read straight from a source, and a small table in memory
// from CSV-like text (no quoting) whose column kinds are guessed as a file's would be.
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "binding/MemorySource.h"
#include "binding/SourceValues.h"

inline std::string SourceCell(TTableSource& Source, int Col, std::int64_t Row)
{
    std::vector<TSourceRow> rows;
    Source.ReadRows(Row, 1, rows);
    return rows.empty() ? std::string() : rows[0][static_cast<std::size_t>(Col)];
}

inline std::unique_ptr<TMemorySource> MemoryTable(const std::string& Text)
{
    auto store = std::make_shared<TMemoryStore>();
    std::istringstream in(Text);
    std::string line;
    const auto split = [](const std::string& Line) {
        TSourceRow fields;
        std::istringstream parts(Line);
        for (std::string field; std::getline(parts, field, ',');) fields.push_back(field);
        if (!Line.empty() && Line.back() == ',') fields.emplace_back();
        return fields;
    };
    std::getline(in, line);
    for (const std::string& name : split(line)) store->Columns.push_back({name, TSourceColumnKind::Text});
    while (std::getline(in, line)) store->Add(split(line));
    for (std::size_t c = 0; c < store->Columns.size(); ++c) {
        std::vector<std::string_view> samples;
        for (const TMemoryRecord& record : store->Records) samples.push_back(record.Cells[c]);
        store->Columns[c].Kind = GuessColumnKind(samples);
    }
    return std::make_unique<TMemorySource>(store, "table");
}
