// Records of a CSV file as RFC 4180 writes them: fields split by commas,
// records by CRLF or LF; a field in double quotes may hold commas, line
// breaks and quotes (doubled).
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CsvRecord {
    std::vector<std::string> fields;
    int line = 0;         // where the record starts, from 1
    std::string problem;  // why the record could not be read; its fields are then incomplete
};

// Every record of the text; empty lines are skipped and a UTF-8 byte order
// mark at the start is passed over. A record with a problem is kept in its
// place; reading goes on at the next line.
std::vector<CsvRecord> ReadCsv(std::string_view text);
