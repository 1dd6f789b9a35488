// fk, fk_all and solve_ik must reproduce the golden tables in core/tests/data bit for bit: a change
// of evaluation order, a fused multiply-add or a lost signed zero shows here even when every
// tolerance test still passes. docs/numerics.md says when and how to regenerate the tables.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/golden_tables.hpp"

namespace talvane {
namespace {

using testing_support::golden_vectors;
using testing_support::GoldenVector;

// The table's lines without its comment lines, split into words.
std::vector<std::vector<std::string>> read_table(const char* name) {
  std::ifstream in(std::string(TALVANE_TEST_DATA_DIR) + "/" + name);
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string word; words >> word;) fields.push_back(word);
    lines.push_back(std::move(fields));
  }
  return lines;
}

std::string missing_message(const char* name) {
  return std::string("core/tests/data/") + name +
         " is missing or short; it is written by record_golden_tables (see docs/numerics.md)";
}

std::string hex(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

// Parses a whole word as a double; false if the word is not a number.
bool parse_double(const std::string& word, double& value) {
  char* end = nullptr;
  value = std::strtod(word.c_str(), &end);
  return !word.empty() && end == word.c_str() + word.size();
}

// Compares the words from `first` on with `expected`, bit for bit (signed zeros and NaNs included).
::testing::AssertionResult same_bits(const std::vector<std::string>& words, std::size_t first,
                                     const std::vector<double>& expected) {
  if (words.size() != first + expected.size()) {
    return ::testing::AssertionFailure()
           << "the line has " << words.size() << " words, expected " << first + expected.size();
  }
  for (std::size_t i = 0; i < expected.size(); ++i) {
    double recorded;
    if (!parse_double(words[first + i], recorded)) {
      return ::testing::AssertionFailure()
             << "word " << first + i << " '" << words[first + i] << "' is not a number";
    }
    if (std::bit_cast<std::uint64_t>(recorded) != std::bit_cast<std::uint64_t>(expected[i])) {
      return ::testing::AssertionFailure()
             << "field " << i << ": recorded " << words[first + i] << ", computed " << hex(expected[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

// The leading "model index" of a line names the vector it belongs to.
::testing::AssertionResult names_vector(const std::vector<std::string>& words, const GoldenVector& v) {
  const std::string model = std::to_string(static_cast<int>(v.model));
  const std::string index = std::to_string(v.index);
  if (words.size() < 2 || words[0] != model || words[1] != index) {
    return ::testing::AssertionFailure() << "expected the line of model " << model << ", vector " << index;
  }
  return ::testing::AssertionSuccess();
}

TEST(GoldenTables, FkIsBitIdentical) {
  const auto lines = read_table(testing_support::GOLDEN_FK_FILE);
  const std::vector<GoldenVector> vectors = golden_vectors(testing_support::GOLDEN_FK_PER_MODEL);
  ASSERT_EQ(lines.size(), vectors.size()) << missing_message(testing_support::GOLDEN_FK_FILE);
  for (std::size_t n = 0; n < vectors.size(); ++n) {
    const GoldenVector& v = vectors[n];
    ASSERT_TRUE(names_vector(lines[n], v)) << "golden_fk.txt line " << n + 2;
    // The recorded joints come first, so a changed generator is told apart from a changed fk.
    EXPECT_TRUE(same_bits(lines[n], 2, testing_support::fk_fields(Crx::from_model(v.model), v.joints)))
        << "golden_fk.txt, model " << static_cast<int>(v.model) << ", vector " << v.index;
  }
}

TEST(GoldenTables, FkAllIsBitIdentical) {
  const auto lines = read_table(testing_support::GOLDEN_FK_ALL_FILE);
  const std::vector<GoldenVector> vectors = golden_vectors(testing_support::GOLDEN_FK_ALL_PER_MODEL);
  ASSERT_EQ(lines.size(), vectors.size()) << missing_message(testing_support::GOLDEN_FK_ALL_FILE);
  for (std::size_t n = 0; n < vectors.size(); ++n) {
    const GoldenVector& v = vectors[n];
    ASSERT_TRUE(names_vector(lines[n], v)) << "golden_fk_all.txt line " << n + 2;
    EXPECT_TRUE(same_bits(lines[n], 2, testing_support::fk_all_fields(Crx::from_model(v.model), v.joints)))
        << "golden_fk_all.txt, model " << static_cast<int>(v.model) << ", vector " << v.index;
  }
}

// Rows a later mend of rare poses appends after the recorded ones are allowed, as in
// test_ik_ordinary_targets (which bounds how often that may happen); the recorded rows are not.
TEST(GoldenTables, SolveIkIsBitIdentical) {
  const auto lines = read_table(testing_support::GOLDEN_SOLVE_IK_FILE);
  const std::vector<GoldenVector> vectors = golden_vectors(testing_support::GOLDEN_SOLVE_IK_PER_MODEL);
  std::size_t line = 0;
  for (const GoldenVector& v : vectors) {
    ASSERT_LT(line, lines.size()) << missing_message(testing_support::GOLDEN_SOLVE_IK_FILE);
    const std::vector<std::string>& head = lines[line++];
    ASSERT_TRUE(names_vector(head, v)) << "golden_solve_ik.txt";
    ASSERT_EQ(head.size(), 3u) << "golden_solve_ik.txt: a vector's line is \"model index count\"";
    const std::size_t count = std::stoul(head[2]);
    const Crx robot = Crx::from_model(v.model);
    const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, v.joints));
    ASSERT_LE(line + count, lines.size()) << missing_message(testing_support::GOLDEN_SOLVE_IK_FILE);
    ASSERT_GE(solutions.size(), count) << "model " << static_cast<int>(v.model) << ", vector " << v.index;
    for (std::size_t k = 0; k < count; ++k) {
      const std::vector<std::string>& row = lines[line++];
      const IkSolution& s = solutions[k];
      ASSERT_FALSE(row.empty());
      const std::vector<std::string> numbers(row.begin(), row.end() - 1);
      EXPECT_TRUE(same_bits(numbers, 0, testing_support::solution_fields(s)))
          << "model " << static_cast<int>(v.model) << ", vector " << v.index << ", solution " << k;
      EXPECT_EQ(row.back(), std::to_string(static_cast<int>(s.kind)))
          << "kind of model " << static_cast<int>(v.model) << ", vector " << v.index << ", solution " << k;
    }
  }
  EXPECT_EQ(line, lines.size()) << "golden_solve_ik.txt has lines after the last vector";
}

}  // namespace
}  // namespace talvane
