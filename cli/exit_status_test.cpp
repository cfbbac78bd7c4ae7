// The exit statuses' one list against the code's names, --help and the README's table.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/exit_status.h"
#include "cli/exit_status_list.h"

namespace {

std::string CollapseSpaces(const std::string& text) {
    std::istringstream words(text);
    std::string collapsed;
    for (std::string word; words >> word;) {
        collapsed += (collapsed.empty() ? "" : " ") + word;
    }
    return collapsed;
}

std::vector<std::string> ListedRows() {
    std::vector<std::string> rows;
    for (const ExitStatusMeaning& row : kExitStatusMeanings) {
        rows.push_back(std::to_string(row.status) + " " + row.meaning);
    }
    return rows;
}

// "| 4 | the port went away ... |" rows of the table under "Exit status:", backticks dropped.
std::vector<std::string> ReadmeRows() {
    std::ifstream readme(VELKARO_README_PATH);
    std::string line;
    while (std::getline(readme, line) && line != "Exit status:") {
    }
    const std::regex row(R"(\| ([0-9]+) \| (.*) \|)");
    std::vector<std::string> rows;
    bool inTable = false;
    while (std::getline(readme, line) && (!inTable || line.starts_with("|"))) {
        inTable = inTable || line.starts_with("|");
        std::smatch match;
        if (std::regex_match(line, match, row)) {
            std::string meaning = match[2];
            std::erase(meaning, '`');
            rows.push_back(match[1].str() + " " + meaning);
        }
    }
    return rows;
}

TEST(ExitStatusList, NamesEveryStatusTheCodeReturnsInOrder) {
    const std::vector<int> named{kExitOk,         kExitOpenFailed,  kExitUsage,
                                 kExitWriteError, kExitPortGone,    kExitOutputFailed,
                                 kExitNotPassed,  kExitInterrupted, kExitTerminated};
    std::vector<int> listed;
    for (const ExitStatusMeaning& row : kExitStatusMeanings) {
        listed.push_back(row.status);
    }
    EXPECT_EQ(listed, named);
}

TEST(ExitStatusList, HelpListsEveryStatusWithItsMeaning) {
    const char* argv[] = {"velkaro-cli", "--help"};
    std::ostringstream out, err;
    RunStop stop;
    ASSERT_EQ(RunCli(2, argv, out, err, stop), kExitOk);
    const std::string help = CollapseSpaces(out.str());
    std::string::size_type from = help.find("Exit status:");
    ASSERT_NE(from, std::string::npos) << out.str();
    for (const std::string& row : ListedRows()) {
        const std::string::size_type at = help.find(row, from);
        EXPECT_NE(at, std::string::npos) << "not in --help, or out of order: " << row;
        from = at == std::string::npos ? from : at;
    }
}

TEST(ExitStatusList, ReadmeTableIsTheList) {
    EXPECT_EQ(ReadmeRows(), ListedRows());
}

}  // namespace
