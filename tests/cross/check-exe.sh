#!/usr/bin/env bash
# Checks the Windows deliverables as files: the 32-bit ones are PE32 console
# programs for Intel 80386, and every program imports only DLLs that Windows
# itself ships (the runtime is linked in statically), the 32-bit ones also
# the x87 precision call of PlatformInit.
#
# Usage: check-exe.sh win32|win64 DIR   (DIR holds parhistos50.exe and parhistos40.exe)
# Prints what is wrong and exits 1 when a check fails.
set -euo pipefail

kind=$1 dir=$2
system_dlls='^(KERNEL32|msvcrt|USER32|ADVAPI32)\.dll$'
status=0

fail() {
  echo "FAIL: $*" >&2
  status=1
}

for bins in 50 40; do
  exe=$dir/parhistos$bins.exe
  [[ -f $exe ]] || { fail "$exe was not built"; continue; }
  if [[ $kind == win32 ]]; then
    objdump=i686-w64-mingw32-objdump
    want_file='PE32 executable (console) Intel 80386, for MS Windows'
    want_format='file format pei-i386'
  else
    objdump=x86_64-w64-mingw32-objdump
    want_file='PE32+ executable (console) x86-64, for MS Windows'
    want_format='file format pei-x86-64'
  fi
  description=$(file -b "$exe")
  [[ $description == "$want_file"* ]] || fail "$exe: '$description', expected '$want_file'"
  $objdump -f "$exe" | grep -qF "$want_format" || fail "$exe: objdump does not report '$want_format'"

  imports=$($objdump -p "$exe" 2>&1) || { fail "$exe: objdump -p cannot read it"; continue; }
  dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$imports")
  [[ -n $dlls ]] || fail "$exe: no imported DLL found"
  while read -r dll; do
    [[ $dll =~ $system_dlls ]] || fail "$exe imports $dll, which Windows does not ship"
  done <<<"$dlls"
  if [[ $kind == win32 ]]; then
    grep -qE '\s_control87$' <<<"$imports" || fail "$exe does not set the x87 precision (_control87)"
  fi
  echo "$exe: $description; imports $(tr '\n' ' ' <<<"$dlls")"
done
exit $status
