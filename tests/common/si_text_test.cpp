// Engineering notation for netlists and for people, checked against a table
// and, where ngspice is installed, by ngspice reading the netlist numbers.
#include "common/si_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/spice.h"
#include "support/table.h"

namespace varnholt {
namespace {

using testing::read_table;

double value_of(const testing::Row& row) { return std::strtod(row[0].c_str(), nullptr); }

TEST(SiText, NetlistAndEngineeringNumbers) {
  for (const auto& row : read_table("common/engineering_numbers.txt")) {
    const int exp10 = std::stoi(row[1]);
    EXPECT_EQ(spice_number(value_of(row), exp10), row[2]) << row[0] << " e" << row[1];
    EXPECT_EQ(engineering_text(value_of(row), exp10, row[3]), row[4]) << row[0] << " e" << row[1];
  }
}

TEST(SiText, ShortestTextReadsBack) {
  for (const auto& row : read_table("common/engineering_numbers.txt")) {
    EXPECT_EQ(std::strtod(shortest_text(value_of(row)).c_str(), nullptr), value_of(row)) << row[0];
  }
}

// Each table value as a resistance, read back by ngspice. Its reading is not
// always correctly rounded (100n may come out one unit in the last place
// off), so within four such units: a prefix read otherwise (m against meg)
// is a factor of a thousand or more.
TEST(SiText, NgspiceReadsTheNumbersBack) {
  VARNHOLT_NEED_NGSPICE();
  std::string netlist = "numbers read back\n";
  std::string print = "print";
  std::vector<double> want;
  for (const auto& row : read_table("common/engineering_numbers.txt")) {
    if (value_of(row) <= 0.0) continue;
    const std::string n = std::to_string(want.size());
    netlist += "R" + n + " " + n + " 0 " + spice_number(value_of(row), std::stoi(row[1])) + "\n";
    netlist += "V" + n + " " + n + " 0 1\n";
    print += " @r" + n + "[resistance]";
    want.push_back(std::strtod((row[0] + "e" + row[1]).c_str(), nullptr));
  }
  netlist += ".control\nop\nset numdgt=17\n" + print + "\n.endc\n.end\n";
  const testing::SpiceRun run = testing::run_ngspice(netlist, testing::temp_stem("si-text"));
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::string key = "@r" + std::to_string(i) + "[resistance] = ";
    const std::size_t at = run.out.find(key);
    ASSERT_NE(at, std::string::npos) << key << "\n" << run.out << run.err;
    EXPECT_DOUBLE_EQ(std::strtod(run.out.c_str() + at + key.size(), nullptr), want[i]) << key;
  }
}

}  // namespace
}  // namespace varnholt
