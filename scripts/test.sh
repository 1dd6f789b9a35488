#!/usr/bin/env bash
# Checks the formatting, installs what the tests need and runs every test: the C++ tests (plain and
# under ASan/UBSan), the Python tests against NumPy 2.x and NumPy 1.26, and a short fuzz run of the
# decoder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${TALVANE_TEST_DIR:-$root/build/test}"
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p "$work"

step() { printf '\n==> %s\n' "$*"; }

step "Format checks"
# First, because they take seconds. The pinned versions come from requirements/lint.txt; clang-format
# runs through its wheel's entry point, so the one just installed is used whatever PATH holds.
python3 -m pip install -q -r "$root/requirements/lint.txt"
clang_format() {
  python3 -c 'import sys, clang_format; sys.argv[0] = "clang-format"; clang_format.clang_format()' "$@"
}
cpp_sources=()
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t cpp_sources < <(git -C "$root" ls-files '*.cpp' '*.hpp' '*.h')
fi
if ((${#cpp_sources[@]} == 0)); then
  # Not a git checkout (an export or an unpacked archive): the sources outside build and hidden folders.
  mapfile -t cpp_sources < <(cd "$root" && find . \( -name build -o -name '.?*' \) -prune -o -type f \
    \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' \) -print | sed 's|^\./||' | sort)
fi
if ((${#cpp_sources[@]} == 0)); then
  echo "no C/C++ sources found under $root" >&2  # clang-format would read standard input instead
  exit 1
fi
(cd "$root" && clang_format --dry-run --Werror "${cpp_sources[@]}")
echo "clang-format: ${#cpp_sources[@]} C/C++ files as .clang-format has them"
(cd "$root" && python3 -m ruff check --no-cache . && python3 -m ruff format --check --no-cache .)

step "System packages (GoogleTest, clang for fuzzing)"
packages=(libgtest-dev clang-14 libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ "$(id -u)" -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

step "Python build and test requirements"
python3 -m pip install -q -r "$root/requirements/test.txt" -r "$root/requirements/examples.txt"

step "C++ tests"
python="$(command -v python3)"
cmake -S "$root" -B "$work/cpp" -G Ninja -DPython_EXECUTABLE="$python" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALVANE_BUILD_TESTS=ON -DTALVANE_BUILD_PYTHON=OFF >/dev/null
cmake --build "$work/cpp" -j "$jobs"
ctest --test-dir "$work/cpp" --output-on-failure -j "$jobs"

step "C++ tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$work/cpp-sanitized" -G Ninja -DPython_EXECUTABLE="$python" -DCMAKE_BUILD_TYPE=Debug \
  -DTALVANE_BUILD_TESTS=ON -DTALVANE_BUILD_PYTHON=OFF -DTALVANE_SANITIZE=ON >/dev/null
cmake --build "$work/cpp-sanitized" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$work/cpp-sanitized" --output-on-failure -j "$jobs"

step "Wheel (abi3)"
rm -rf "$work/dist"
python3 -m pip wheel -q --no-deps -w "$work/dist" "$root"
wheel="$(ls "$work"/dist/talvane-*.whl)"
case "$wheel" in
  *-cp310-abi3-*.whl) echo "built $(basename "$wheel")" ;;
  *) echo "expected an abi3 wheel, got $(basename "$wheel")" >&2; exit 1 ;;
esac

step "Python tests with NumPy 2"
python3 -m pip install -q --force-reinstall --no-deps "$wheel"
(cd "$work" && python3 -m pytest -q "$root/python/tests")

step "Python tests against the module built with AddressSanitizer and UndefinedBehaviorSanitizer"
# Catches reference-count and memory faults in the binding itself, not only in the C++ libraries.
# The sanitizer runtimes must be loaded before the interpreter; CPython leaks by design, so leak
# checking is off. PYTHONPATH puts this build ahead of the installed wheel, which is checked.
started=$SECONDS
cmake -S "$root" -B "$work/python-sanitized" -G Ninja -DPython_EXECUTABLE="$python" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVANE_BUILD_PYTHON=ON -DTALVANE_SANITIZE=ON >/dev/null
cmake --build "$work/python-sanitized" --target talvane -j "$jobs"
sanitized_env=(env PYTHONPATH="$work/python-sanitized/python"
  LD_PRELOAD="$(g++ -print-file-name=libasan.so):$(g++ -print-file-name=libubsan.so)"
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
(cd "$work" && "${sanitized_env[@]}" python3 -c \
  'import sys, talvane; sys.exit(not talvane.__file__.startswith(sys.argv[1]))' "$work/python-sanitized/")
(cd "$work" && "${sanitized_env[@]}" python3 -m pytest -q -p no:cacheprovider "$root/python/tests")
echo "sanitized module build and tests: $((SECONDS - started)) s"

step "Type stubs against the installed module"
(cd "$work" && python3 -m mypy.stubtest talvane && python3 -m mypy --ignore-missing-imports "$root/examples")

step "Stream encoder and mesh generator tests"
(cd "$root" && python3 -m pytest -q -p no:cacheprovider tools/quorvet/tests tools/meshgen/tests)

step "Hard-pose benchmark scoring tests"
(cd "$work" && python3 -m pytest -q -p no:cacheprovider "$root/bench/ik/tests")

step "Peer benchmark set-up tests"
(cd "$work" && python3 -m pytest -q -p no:cacheprovider "$root/bench/peers/tests")

step "Python tests with NumPy 1.26"
python3 -m venv --clear "$work/venv-numpy1"
"$work/venv-numpy1/bin/python" -m pip install -q "numpy==1.26.4" pytest
"$work/venv-numpy1/bin/python" -m pip install -q --no-deps "$wheel"
(cd "$work" && "$work/venv-numpy1/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests")

if [[ -x "$root/codec/fuzz/run.sh" ]]; then
  step "Short fuzz run of the geometry decoder"
  # The full log stays in the work folder; progress lines are left out of the output.
  fuzz_status=0
  "$root/codec/fuzz/run.sh" 60 "$work/fuzz" -print_funcs=0 >"$work/fuzz.log" 2>&1 || fuzz_status=$?
  grep -vE '^#[0-9]+' "$work/fuzz.log" || true
  if ((fuzz_status != 0)); then
    echo "the fuzz run failed (exit $fuzz_status); see $work/fuzz.log" >&2
    exit 1
  fi
fi
