import sys
from pathlib import Path

BENCH = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(BENCH / "ik"))
sys.path.insert(0, str(BENCH / "peers"))
