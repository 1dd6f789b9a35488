// The `CrxModel` enumeration class.
#include "classes.hpp"

namespace talvane::python {

EnumClass crx_model_class{
    "talvane.CrxModel",
    "CrxModel",
    "One of the models in the FANUC CRX series.\n\n"
    "`LinkMeshes.load` uses the model to select geometry. Two models can share the same four link\n"
    "dimensions, so those dimensions alone do not identify the model represented by a `Crx`.",
    CRX_MODEL_NAMES,
};

PyObject* create_crx_model_type() { return create_enum_class(crx_model_class); }

CrxModel crx_model_of(PyObject* member) { return static_cast<CrxModel>(enum_value(member)); }

}  // namespace talvane::python
