// SPDX-License-Identifier: MIT
#pragma once

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

/// The rows of a unit test's table: each line but blank ones and # comments, split at blanks
/// into fields, with {TEXT*N} in a field standing for TEXT N times, then \xHH for that byte
/// (\x20 for a blank).
inline std::vector<std::vector<std::string>> tableRows(const char* path) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream table(path);
    EXPECT_TRUE(table.is_open()) << path;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::vector<std::string> row;
        for (std::string field; fields >> field && field[0] != '#';) {
            static const std::regex repeated(R"(\{([^{}]*)\*(\d+)\})");
            for (std::smatch match; std::regex_search(field, match, repeated);) {
                std::string text;
                for (int count = std::stoi(match[2]); count > 0; --count) {
                    text += match[1];
                }
                field.replace(match.position(), match.length(), text);
            }
            for (std::size_t at = field.find("\\x"); at != std::string::npos;
                 at = field.find("\\x", at + 1)) {
                field.replace(at, 4, 1,
                              static_cast<char>(std::stoi(field.substr(at + 2, 2), nullptr, 16)));
            }
            row.push_back(field);
        }
        if (!row.empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}
