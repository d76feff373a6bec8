// The web front-end's queries read as command lines, from
// tests/data/serve/queries.txt: the arguments a query stands for, the
// refusals and limits with their messages, the file each download is named,
// the names uploads are held under, and the forms the page's fields take.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/command.h"
#include "serve/query.h"
#include "support/table.h"

namespace varnholt::testing {
namespace {

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// The refusal of a query, "" when it is accepted.
std::string refusal(const std::string& query, const std::string& circuit, Output output) {
  try {
    query_job(decode_query(query), circuit, output, ServeLimits{});
    return "";
  } catch (const UsageError& e) {
    return e.what();
  }
}

Output output_named(const std::string& name) {
  for (const Output o : kOutputs) {
    if (name == option_of(o) + 2) return o;
  }
  ADD_FAILURE() << "no output " << name;
  return Output::Report;
}

TEST(ServeQuery, EachCaseOfTheTable) {
  int cases = 0;
  for (const Row& row : read_table("serve/queries.txt")) {
    const std::string& kind = row[0];
    ++cases;
    if (kind == "args") {
      ASSERT_EQ(row.size(), 4u);
      EXPECT_EQ(joined(query_arguments(decode_query(row[1]), row[2])), row[3]) << row[1];
    } else if (kind == "error") {
      ASSERT_EQ(row.size(), 4u);
      EXPECT_EQ(refusal(row[1], row[2], Output::Report), row[3]) << row[1];
    } else if (kind == "output") {
      ASSERT_EQ(row.size(), 5u);
      const Output output = output_named(row[3]);
      const Job job = query_job(decode_query(row[1]), row[2], output, ServeLimits{});
      ASSERT_EQ(job.outputs.size(), 1u) << row[1];
      EXPECT_EQ(job.outputs.begin()->first, output) << row[1];
      EXPECT_EQ(job.outputs.begin()->second, row[4]) << row[1];
      EXPECT_EQ(job.both, output == Output::Html && row[1].find("both") != std::string::npos);
    } else if (kind == "upload") {
      ASSERT_EQ(row.size(), 3u);
      EXPECT_EQ(upload_name(row[1]), row[2]) << row[1];
    } else if (kind == "form") {
      ASSERT_EQ(row.size(), 5u);
      const CommandKind command = row[1] == "serve"     ? CommandKind::Serve
                                  : row[1] == "analyse" ? CommandKind::Analyse
                                                        : CommandKind::Design;
      const auto options = command_options(command);
      const auto it = std::find_if(options.begin(), options.end(),
                                   [&](const OptionInfo& o) { return o.name == row[2]; });
      ASSERT_NE(it, options.end()) << row[2];
      EXPECT_EQ(option_form_name(it->form), row[3]) << row[2];
      EXPECT_EQ(it->group, row[4]) << row[2];
    } else {
      ADD_FAILURE() << "unknown case " << kind;
    }
  }
  EXPECT_GT(cases, 50);
}

// The page's form offers what the usage text lists: every option of the
// command's help, with its help text, and nothing else.
TEST(ServeQuery, TheOptionListIsTheUsageText) {
  for (const CommandKind kind : {CommandKind::Design, CommandKind::Analyse, CommandKind::Serve}) {
    const std::string command = kind == CommandKind::Design    ? "design"
                                : kind == CommandKind::Analyse ? "analyse"
                                                               : "serve";
    const std::string help = parse_command({command, "--help"}).help;
    const auto options = command_options(kind);
    std::size_t listed = 0;
    for (std::size_t at = 0; (at = help.find("\n  --", at)) != std::string::npos; ++at) ++listed;
    EXPECT_EQ(options.size(), listed) << command;
    for (const OptionInfo& o : options) {
      EXPECT_NE(help.find("  " + o.name), std::string::npos) << o.name;
      EXPECT_NE(help.find(o.help.substr(0, 30)), std::string::npos) << o.name;
    }
  }
}

}  // namespace
}  // namespace varnholt::testing
