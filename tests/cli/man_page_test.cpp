// The manual page of pictavia-cli names every command and option the usage text lists, so that
// neither grows without the other.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "cli/cli_commands.h"
#include "test_support.h"

namespace pictavia {

namespace {

// The page's source with roff's escaped hyphens as plain ones.
std::string ManPageText(const std::filesystem::path& Page) {
  std::ifstream in(Page);
  std::string text(std::istreambuf_iterator<char>(in), {});
  for (size_t at = 0; (at = text.find("\\-", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

TEST(CliManPage, NamesEveryCommandAndOptionOfTheUsage) {
  const std::filesystem::path page = testsupport::SourceDir() / "data/man/pictavia-cli.1";
  const std::string text = ManPageText(page);
  ASSERT_FALSE(text.empty()) << page;
  const std::string usage = CliUsage();

  std::set<std::string> options;
  const std::regex option("--[a-z][a-z-]*");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
       it != std::sregex_iterator(); ++it)
    options.insert(it->str());
  std::set<std::string> commands;
  std::istringstream lines(usage);
  const std::regex commandLine("  ([a-z][a-z-]*) .*");
  std::smatch match;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, match, commandLine)) commands.insert(match[1]);
  // What the usage lists today, so a change in its layout cannot empty the check.
  EXPECT_EQ(commands, (std::set<std::string>{"convert", "info", "png-draw", "render"}));
  EXPECT_GE(options.size(), 5u);

  for (const std::string& command : commands)
    EXPECT_NE(text.find(".B pictavia-cli " + command), std::string::npos)
        << command << " is not in the synopsis of " << page;
  for (const std::string& name : options)
    EXPECT_NE(text.find(name), std::string::npos) << name << " is not described in " << page;
}

}  // namespace

}  // namespace pictavia
