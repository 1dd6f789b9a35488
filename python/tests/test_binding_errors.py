"""Failures at the boundary between Python and the C++ core: allocations the core cannot make."""

from pathlib import Path

import numpy as np
import pytest
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
