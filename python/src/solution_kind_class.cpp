// The `SolutionKind` enumeration class.
#include "classes.hpp"

namespace talvane::python {
namespace {

constexpr const char* MEMBER_NAMES[] = {"Regular", "AxisDegenerate", "SingularFamily"};

}  // namespace

EnumClass solution_kind_class{
    "talvane.SolutionKind",
    "SolutionKind",
    "The configuration category of a solution.",
    MEMBER_NAMES,
};

PyObject* create_solution_kind_type() { return create_enum_class(solution_kind_class); }

PyObject* solution_kind_member(SolutionKind kind) {
  return enum_member(solution_kind_class, static_cast<std::uint8_t>(kind));
}

const char* solution_kind_name(SolutionKind kind) { return MEMBER_NAMES[static_cast<std::size_t>(kind)]; }

}  // namespace talvane::python
