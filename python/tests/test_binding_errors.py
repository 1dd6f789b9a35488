"""Failures at the boundary between Python and the C++ core: allocations the core cannot make, and
the one set of classes the module keeps per process."""

import importlib
import sys
from pathlib import Path

import numpy as np
import pytest
import talvane
from talvane import Cell, Crx

# Far more rows than any address space holds, so that the core's allocation for them is refused
# on every machine; broadcasting makes the argument itself cost no memory.
HUGE = 2**54


def sanitizer_loaded():
    maps = Path("/proc/self/maps")
    return maps.exists() and "libasan" in maps.read_text()


# AddressSanitizer's allocator ends the process on a refused allocation instead of raising.
needs_plain_allocator = pytest.mark.skipif(
    sanitizer_loaded(), reason="the sanitizer's allocator aborts on a refused allocation"
)

JOINTS = np.zeros(6)
POSE = np.eye(4)


def huge(value):
    return np.broadcast_to(value, (HUGE, *value.shape))


def one(value):
    return value[np.newaxis]


BATCH_CALLS = {
    "fk_many": lambda solver: solver.fk_many(huge(JOINTS)),
    "ik_many": lambda solver: solver.ik_many(huge(POSE)),
    "ik_closest_many targets": lambda solver: solver.ik_closest_many(huge(POSE), one(JOINTS)),
    "ik_closest_many references": lambda solver: solver.ik_closest_many(one(POSE), huge(JOINTS)),
}

SOLVERS = {
    "crx": Crx.crx10ia(),
    "cell": Cell(Crx.crx10ia(), lower=np.full(6, -180.0), upper=np.full(6, 180.0)),
}


@needs_plain_allocator
@pytest.mark.parametrize("solver", SOLVERS.values(), ids=SOLVERS.keys())
@pytest.mark.parametrize("call", BATCH_CALLS.values(), ids=BATCH_CALLS.keys())
def test_a_batch_too_large_for_memory_raises_memory_error(solver, call):
    with pytest.raises(MemoryError):
        call(solver)
    # The module is still usable afterwards.
    assert solver.fk_many(one(JOINTS)).shape == (1, 4, 4)


CLASS_NAMES = [name for name in talvane.__all__ if isinstance(getattr(talvane, name), type)]


def test_reloading_keeps_the_classes():
    all_before = list(talvane.__all__)
    classes = [getattr(talvane, name) for name in CLASS_NAMES]
    robot = Crx.crx10ia()
    importlib.reload(talvane)
    assert [getattr(talvane, name) for name in CLASS_NAMES] == classes
    assert isinstance(robot, talvane.Crx)
    assert talvane.__all__ == all_before


def test_importing_again_gives_the_same_classes():
    original = sys.modules.pop("talvane")
    try:
        fresh = importlib.import_module("talvane")
        assert fresh is not original
        for name in CLASS_NAMES:
            assert getattr(fresh, name) is getattr(original, name)
        assert fresh.SolutionKind.Regular is original.SolutionKind.Regular
    finally:
        sys.modules["talvane"] = original


def test_a_second_interpreter_cannot_import_the_module(tmp_path):
    testcapi = pytest.importorskip("_testcapi")
    if not hasattr(testcapi, "run_in_subinterp"):
        pytest.skip("this Python cannot run code in a subinterpreter")
    result = tmp_path / "result.txt"
    code = f"""
import sys
sys.path[:] = {sys.path!r}
try:
    import talvane
except ImportError as error:
    outcome = "ImportError: " + str(error)
else:
    outcome = "imported"
with open({str(result)!r}, "w") as file:
    file.write(outcome)
"""
    assert testcapi.run_in_subinterp(code) == 0
    assert result.read_text() == (
        "ImportError: talvane can be imported in only one interpreter per process, "
        "and another has imported it"
    )
    # The first interpreter's module is untouched.
    assert talvane.Crx.crx10ia().fk(JOINTS).shape == (4, 4)
