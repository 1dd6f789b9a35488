// Writes the golden tables of fk, fk_all and solve_ik (see core/tests/support/golden_tables.hpp)
// into a directory. Run it only when a change of the arithmetic is intended, and say so in the
// commit that updates the tables:
//   record_golden_tables core/tests/data
#include <cstdio>
#include <string>
#include <vector>

#include "support/golden_tables.hpp"

namespace {

using namespace talvane;
using namespace talvane::testing_support;

// One table file; `close` reports whether every line reached the disk.
class TableFile {
 public:
  TableFile(const std::string& path, const char* header) : path_(path), file_(std::fopen(path.c_str(), "w")) {
    if (file_ != nullptr) std::fprintf(file_, "# %s\n", header);
  }
  ~TableFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  const std::string& path() const { return path_; }

  // `head`, the fields as hexadecimal floats, then `tail`, separated by single spaces.
  void line(const std::string& head, const std::vector<double>& fields, const std::string& tail = "") {
    if (file_ == nullptr) return;
    std::string text = head;
    char number[40];
    for (const double field : fields) {
      std::snprintf(number, sizeof number, "%a", field);
      if (!text.empty()) text += ' ';
      text += number;
    }
    if (!tail.empty()) text += " " + tail;
    text += '\n';
    std::fputs(text.c_str(), file_);
  }

  bool close() {
    if (file_ == nullptr) return false;
    const bool written = !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return written && closed;
  }

 private:
  std::string path_;
  std::FILE* file_;
};

std::string label(const GoldenVector& v) {
  return std::to_string(static_cast<int>(v.model)) + " " + std::to_string(v.index);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <directory>   (normally core/tests/data)\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  TableFile fk_table(dir + "/" + GOLDEN_FK_FILE,
                     "fk: model index J1 J2 J3 J4 J5 J6 qi qj qk qw tx ty tz (hexadecimal floats)");
  TableFile fk_all_table(
      dir + "/" + GOLDEN_FK_ALL_FILE,
      "fk_all: model index, then frames 0..5, each qi qj qk qw tx ty tz (hexadecimal floats)");
  TableFile ik_table(
      dir + "/" + GOLDEN_SOLVE_IK_FILE,
      "solve_ik(fk(the same joints as in golden_fk.txt)): a line \"model index count\", then count lines "
      "\"J1 J2 J3 J4 J5 J6 residual theta kind\" (hexadecimal floats, kind an integer)");
  for (const GoldenVector& v : golden_vectors(GOLDEN_FK_PER_MODEL)) {
    fk_table.line(label(v), fk_fields(Crx::from_model(v.model), v.joints));
  }
  for (const GoldenVector& v : golden_vectors(GOLDEN_FK_ALL_PER_MODEL)) {
    fk_all_table.line(label(v), fk_all_fields(Crx::from_model(v.model), v.joints));
  }
  for (const GoldenVector& v : golden_vectors(GOLDEN_SOLVE_IK_PER_MODEL)) {
    const Crx robot = Crx::from_model(v.model);
    const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, v.joints));
    ik_table.line(label(v) + " " + std::to_string(solutions.size()), {});
    for (const IkSolution& s : solutions) {
      ik_table.line("", solution_fields(s), std::to_string(static_cast<int>(s.kind)));
    }
  }
  for (TableFile* table : {&fk_table, &fk_all_table, &ik_table}) {
    if (!table->close()) {
      std::fprintf(stderr, "could not write %s\n", table->path().c_str());
      return 1;
    }
  }
  return 0;
}
