import numpy as np
import pytest
import talvane


@pytest.fixture
def crx10ia():
    return talvane.Crx.crx10ia()


@pytest.fixture
def rng():
    return np.random.default_rng(20261208)
