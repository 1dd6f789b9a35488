// The module's enumeration classes (`CrxModel`, `SolutionKind`): members that are class attributes
// created once, a representation "{Class}.{Member}", integer conversion, `==` and `!=` against
// members and integers, no ordering, no hash and no instantiation.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "python.hpp"

namespace talvane::python {

struct EnumClass;

struct EnumObject {
  PyObject_HEAD const EnumClass* enum_class;
  std::uint8_t value;
};

// One enumeration class: its description, and its class object and members once created.
struct EnumClass {
  static constexpr std::size_t MAX_MEMBERS = 8;

  const char* qualified_name;  // "talvane.{name}"; must outlive the class object
  const char* name;
  const char* doc;
  std::span<const char* const> member_names;  // in discriminant order

  PyTypeObject* type = nullptr;
  std::array<PyObject*, MAX_MEMBERS> members{};
};

// Creates the class object and its members on first use; returns a new reference to the class,
// or null with an exception set.
PyObject* create_enum_class(EnumClass& enum_class);

// The shared member for a discriminant (a new reference), creating the class on first use.
PyObject* enum_member(EnumClass& enum_class, std::uint8_t value);

// The discriminant of a member of any enumeration class.
inline std::uint8_t enum_value(PyObject* member) { return reinterpret_cast<EnumObject*>(member)->value; }

}  // namespace talvane::python
