# Sourced by the tests that compare the programs of several builds.
# compared_builds VARIABLE PROGRAM...: sets the array `builds` to the given
# programs, this build's first. A missing build, or no other build at all,
# skips the test (exit 77) unless DRAVIK_REQUIRE_ALL_BUILDS=1; VARIABLE is the
# cache variable that names the other builds.
compared_builds() {
    local variable=$1 program
    shift
    builds=()
    for program in "$@"; do
        if [ -x "$program" ]; then
            builds+=("$program")
        elif [ "${DRAVIK_REQUIRE_ALL_BUILDS:-0}" = 1 ]; then
            echo "missing build: $program" >&2
            exit 1
        else
            echo "skipping: $program is not built (make test builds every preset)"
            exit 77
        fi
    done
    if [ ${#builds[@]} -lt 2 ]; then
        if [ "${DRAVIK_REQUIRE_ALL_BUILDS:-0}" = 1 ]; then
            echo "no other build to compare with: set $variable" >&2
            exit 1
        fi
        echo "skipping: no other build to compare with (make test names them in $variable)"
        exit 77
    fi
}
