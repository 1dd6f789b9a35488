"""A joint argument is first read as a sequence of numbers; only TypeError and ValueError send it on
to NumPy's conversion. Other exceptions (interrupts, memory, recursion) propagate from the first
attempt, unchanged and without the failing code being run a second time."""

import pytest


class RaisingFloat:
    def __init__(self, exception):
        self.exception = exception
        self.calls = 0

    def __float__(self):
        self.calls += 1
        raise self.exception("from __float__")


class RaisingSequence:
    """Six items; reading item 3 raises."""

    def __init__(self, exception):
        self.exception = exception
        self.reads = 0

    def __len__(self):
        return 6

    def __getitem__(self, index):
        if index >= 6:
            raise IndexError(index)
        if index == 3:
            self.reads += 1
            raise self.exception("from __getitem__")
        return 0.0


PROPAGATED = [KeyboardInterrupt, MemoryError, RecursionError, OverflowError]


@pytest.mark.parametrize("method", ["fk", "fk_all"])
@pytest.mark.parametrize("exception", PROPAGATED)
def test_item_conversion_error_propagates_from_the_first_attempt(crx10ia, method, exception):
    item = RaisingFloat(exception)
    with pytest.raises(exception, match="from __float__"):
        getattr(crx10ia, method)([0.0, item, 0.0, 0.0, 0.0, 0.0])
    assert item.calls == 1


@pytest.mark.parametrize("exception", PROPAGATED)
def test_iteration_error_propagates_from_the_first_attempt(crx10ia, exception):
    sequence = RaisingSequence(exception)
    with pytest.raises(exception, match="from __getitem__"):
        crx10ia.fk(sequence)
    assert sequence.reads == 1


@pytest.mark.parametrize("exception", [TypeError, ValueError])
def test_type_and_value_errors_fall_back_to_numpy(crx10ia, exception):
    item = RaisingFloat(exception)
    with pytest.raises(exception, match="from __float__"):
        crx10ia.fk([0.0, item, 0.0, 0.0, 0.0, 0.0])
    # NumPy's conversion asked the item again.
    assert item.calls >= 2


def test_numbers_numpy_accepts_still_convert(crx10ia):
    class OnlyIndex:
        def __index__(self):
            return 30

    assert (crx10ia.fk([0, OnlyIndex(), 0, 0, 0, 0]) == crx10ia.fk([0, 30, 0, 0, 0, 0])).all()
