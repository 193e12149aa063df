#!/usr/bin/env bash
# find_package(KyPCX <version> CONFIG REQUIRED) against the installed
# package: a table of requests, each accepted or refused by CMake.
# usage: check_find_package.sh <cmake> <client source> <work folder> <package> <pointer size>
set -uo pipefail
cmake="$1" source="$2" work="$3" package="$4" pointer_size="$5"
other_size=$(( pointer_size == 8 ? 4 : 8 ))
failures=0

# expect <accepted|refused> <version> <pointer size> <text the output must hold> [cmake options]
expect() {
  local outcome="$1" version="$2" size="$3" text="$4" output status
  shift 4
  rm -rf "$work"
  output=$("$cmake" -S "$source" -B "$work" -DCMAKE_PREFIX_PATH="$package" \
    -DKYPCX_WANTED="$version" -DCMAKE_SIZEOF_VOID_P="$size" "$@" 2>&1)
  status=$?
  if { [ "$outcome" = accepted ] && [ $status -ne 0 ]; } || { [ "$outcome" = refused ] && [ $status -eq 0 ]; } \
     || ! grep -qF -- "$text" <<<"$output"; then
    echo "FAIL: KyPCX $version for a $((size * 8))-bit client: expected $outcome with \"$text\", got status $status:"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok: KyPCX $version for a $((size * 8))-bit client $outcome"
  fi
}

expect accepted 12.78 "$pointer_size" "KyPCX 12.78: $package/bin/KyPCX.dll $package/lib/libKyPCX.dll.a $package/include"
expect accepted 12 "$pointer_size" "KyPCX 12.78"
# A toolchain whose import libraries end in .lib (MSVC, clang-cl) gets KyPCX.lib.
expect accepted 12.78 "$pointer_size" "$package/lib/KyPCX.lib" -DCMAKE_IMPORT_LIBRARY_SUFFIX=.lib
expect refused 12.79 "$pointer_size" "The following configuration files were considered but not accepted"
expect refused 13.0 "$pointer_size" "but not accepted"
expect refused 11.0 "$pointer_size" "but not accepted"
expect refused 12.78 "$other_size" "but not accepted"
rm -rf "$work"
[ $failures -eq 0 ]
