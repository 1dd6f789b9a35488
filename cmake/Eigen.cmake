# Eigen comes from the system or from the `cmeel-eigen` wheel (a build requirement in
# pyproject.toml), which installs a CMake package under `<site-packages>/cmeel.prefix`.
find_package(Eigen3 3.4 QUIET NO_MODULE)
if(NOT Eigen3_FOUND)
  find_package(Python COMPONENTS Interpreter REQUIRED)
  execute_process(
    COMMAND "${Python_EXECUTABLE}" -c
      "import importlib.util, pathlib; s = importlib.util.find_spec('cmeel'); print(pathlib.Path(s.origin).parent.parent / 'cmeel.prefix' if s else '')"
    OUTPUT_VARIABLE _talvane_cmeel_prefix
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(_talvane_cmeel_prefix)
    list(APPEND CMAKE_PREFIX_PATH "${_talvane_cmeel_prefix}")
  endif()
  find_package(Eigen3 3.4 REQUIRED NO_MODULE)
endif()
message(STATUS "Eigen3 ${Eigen3_VERSION} from ${Eigen3_DIR}")
