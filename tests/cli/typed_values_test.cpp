// Values as typed: units on every option that takes a frequency or an
// impedance, and outputs free of the binary residue of the typed decimals
// (10.599999, 50.000022888) that single-precision arithmetic leaves.
#include <regex>

#include "cli_support.h"

namespace varnholt::testing {
namespace {

std::string unescaped(std::string text) {
  for (const auto& [mark, with] : {std::pair{"\\n", "\n"}, std::pair{"\\r", "\r"}}) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
      text.replace(at, 2, with);
    }
  }
  return text;
}

TEST(CliTypedValues, UnitsReachTheOutputsExactly) {
  for (const std::string& row : table("typed_values.txt")) {
    const auto [command, want] = sides(row);
    CliFolder folder;
    const CliResult r = folder.run(command);
    if (want == "fails") {
      EXPECT_EQ(r.status, 2) << row;
      EXPECT_NE(r.err.find("ambiguous"), std::string::npos) << r.err;
      continue;
    }
    ASSERT_EQ(r.status, 0) << row << "\n" << r.err;
    EXPECT_NE(r.out.find(unescaped(want)), std::string::npos) << row << "\n" << r.out.substr(0, 600);
  }
}

// A residue: five nines after the decimal point, or five zeros and then
// another digit (trailing zeros of a fixed format are not residue).
const std::regex kResidue(R"(\.\d*(99999|00000[1-9]))");

// The lines of `text` that hold typed or sweep values: the netlist's
// element, termination and sweep lines, the first column of the tables, the
// design entries and terminations of the design file, the page's title,
// parameters and tooltip frequencies.
std::vector<std::string> typed_fields(const std::string& name, const std::string& text) {
  std::vector<std::string> fields;
  std::istringstream lines(text);
  const std::regex json_entry(R"re(^\s*"(cutoff|center|bandwidth|skirt|impedance|source|load)": )re");
  bool in_edges = false;
  for (std::string line; std::getline(lines, line);) {
    if (name == "d.cir" && !line.empty() && line[0] != '*') fields.push_back(line);
    if ((name == "d.csv" || name == "d.s2p") && !line.empty() && std::isdigit(line[0])) {
      fields.push_back(line.substr(0, line.find_first_of(", ")));
    }
    if (name == "d.json") {
      if (std::regex_search(line, json_entry) || in_edges) fields.push_back(line);
      if (line.find("\"band_edges\"") != std::string::npos) in_edges = true;
      if (line.find(']') != std::string::npos) in_edges = false;
    }
    if (name == "p.html") {
      for (const char* mark : {"<title>", "<tr><th>", "f = "}) {
        for (auto at = line.find(mark); at != std::string::npos; at = line.find(mark, at + 1)) {
          fields.push_back(line.substr(at, line.find_first_of("<\n", at + 8) - at));
        }
      }
    }
  }
  return fields;
}

TEST(CliTypedValues, NoOutputButTheReportShowsResidueOfTheTypedValues) {
  for (const std::string& design : table("residue_designs.txt")) {
    CliFolder folder;
    const CliResult r = folder.run(design +
                                   " --csv @/d.csv --touchstone @/d.s2p --spice @/d.cir "
                                   "--json @/d.json --html @/p.html");
    ASSERT_EQ(r.status, 0) << design << "\n" << r.err;
    for (const char* name : {"d.csv", "d.s2p", "d.cir", "d.json", "p.html"}) {
      const auto fields = typed_fields(name, read_file(folder.path(name)));
      EXPECT_GT(fields.size(), 3u) << name;
      for (const std::string& field : fields) {
        EXPECT_FALSE(std::regex_search(field, kResidue)) << design << "\n" << name << ": " << field;
      }
    }
  }
}

}  // namespace
}  // namespace varnholt::testing
