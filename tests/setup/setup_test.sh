#!/usr/bin/env bash
# scripts/setup against stub apt-get, dpkg and dpkg-query: a mirror in mid-sync, an install that
# needs the release's suite, one that never succeeds, one that would remove a package set-up did
# not install, and a sudo that cannot act. Then scripts/runs-32bit with no assembler at hand, and
# scripts/qemu-i386 against a stub binfmt_misc.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=$root/scripts/setup
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/calls"
if [ "$1" = update ]; then
  [ -e "$STATE/update-fails" ] || exit 0
  rm "$STATE/update-fails"; echo "E: File has unexpected size. Mirror sync in progress?"; exit 100
fi
case "$MODE" in never) exit 100 ;; suite) [[ " $* " == *" -t bookworm "* ]] || exit 100 ;; esac
# REMOVES names a package that an install from the release's suite removes.
[ -z "${REMOVES:-}" ] || [[ " $* " != *" -t bookworm "* ]] || removing=$REMOVES
for a in "${@:2}"; do
  case "$a" in
    -*|bookworm) ;;
    *) if [[ " $* " == *" -s "* ]]; then echo "Inst $a (1 Debian:12)"
       else echo "$a" >>"$STATE/installed"; echo "Setting up $a"; fi ;;
  esac
done
[ -z "${removing:-}" ] || if [[ " $* " == *" -s "* ]]; then echo "Remv $removing [1]"
  else sed -i "/^$removing\$/d" "$STATE/installed"; echo "removed $removing" >>"$STATE/calls"; fi
STUB
printf '#!/bin/sh\nfor p; do :; done; grep -qx "$p" "$STATE/installed" && echo "install ok installed"\nexit 0\n' >"$work/bin/dpkg-query"
printf '#!/bin/sh\necho i386\n' >"$work/bin/dpkg"
printf '#!/bin/sh\n[ -z "$NOT_ROOT" ] || exit 1\nwhile [ "${1#-}" != "$1" ]; do shift; done\n%s\n' \
  'exec "$@"' >"$work/bin/sudo"
printf '#!/bin/sh\n[ -n "$NOT_ROOT" ] || exec /usr/bin/id "$@"\necho "$NOT_ROOT"\n' >"$work/bin/id"
printf '#!/bin/sh\necho "mount $*" >>"$STATE/calls"; exit 1\n' >"$work/bin/mount"
chmod +x "$work/bin/"*
echo VERSION_CODENAME=bookworm >"$work/os-release"

failures=0
# run NAME MODE UPDATE-FAILS EXPECTED-EXIT PATTERN...: each pattern must appear in the calls or
# the output, each !PATTERN must not. KERNEL32=no runs it as on a kernel without 32-bit programs
# and without an emulator for them; NOT_ROOT=UID as a user whose sudo needs a password.
run() {
  local name=$1 mode=$2 fails=$3 want=$4 got pattern bad=0
  shift 4
  export STATE=$work/$name MODE=$mode
  mkdir "$STATE"
  printf '%s\n' cmake ninja-build make googletest xauth python3 winetricks >"$STATE/installed"
  [ "$fails" = 1 ] && touch "$STATE/update-fails"
  PATH=$work/bin:$PATH TF_RUNS_32BIT=${KERNEL32:-yes} TF_QEMU_I386=false TF_SETUP_PAUSE=0 TF_OS_RELEASE=$work/os-release TF_CHECK_WINE=true \
    bash "$setup" >"$STATE/out" 2>&1 </dev/null
  got=$?
  [ "$got" = "$want" ] || { echo "FAIL $name: exit $got, expected $want"; bad=1; }
  for pattern; do
    if [ "${pattern#!}" != "$pattern" ]; then
      ! grep -qs -- "${pattern#!}" "$STATE/calls" "$STATE/out" ||
        { echo "FAIL $name: '${pattern#!}' in:"; cat "$STATE/calls" "$STATE/out"; bad=1; }
    else
      grep -qs -- "$pattern" "$STATE/calls" "$STATE/out" ||
        { echo "FAIL $name: no '$pattern' in:"; cat "$STATE/calls" "$STATE/out"; bad=1; }
    fi
  done
  [ "$bad" = 0 ] && echo "ok $name" || failures=1
}
run update-retried plain 1 0 "update failed (try 1 of 3)" \
  "install -y -q --no-install-recommends --no-remove g++-mingw" \
  "Setting up g++-mingw-w64-x86-64-posix"
run release-suite suite 0 0 "install .*-t bookworm libgstreamer-plugins-base1.0-0:i386" \
  "install .*-t bookworm .*wine64" "apt-get update && .*apt-get upgrade"
run never-installs never 0 1 "still missing: g++-mingw-w64-x86-64-posix.* wine32:i386" \
  "retry with: .*apt-get update && .*apt-get install -t bookworm"
KERNEL32=no run no-32bit-kernel suite 0 0 "install .*-t bookworm .*wine64" "!i386"
REMOVES=winetricks run removal-stopped suite 0 1 "would remove winetricks" \
  "once the mirror has synced, install with: .*apt-get update && .*apt-get install" \
  "!^removed" "!install -y"
NOT_ROOT=1000 run sudo-needs-password plain 0 1 "sudo asks for a password" "!apt-get"

# fail NAME WHAT: one failed check, with what went wrong.
fail() { echo "FAIL $1: $2"; failures=1; }

# runs-32bit with neither assembler nor linker on PATH runs a 32-bit program to answer, and
# answers as a program built with as and ld does, where they are at hand here.
mkdir "$work/bare"
for tool in mktemp chmod rm grep head; do ln -s "$(command -v "$tool")" "$work/bare/"; done
said=$(PATH=$work/bare "$BASH" "$root/scripts/runs-32bit" --verbose 2>&1)
answer=$?
case "$answer:$said" in
  "0:runs-32bit: a 32-bit x86 program ran" | 1:*"Exec format error"*) echo "ok runs-32bit-bare" ;;
  *) fail runs-32bit-bare "exit $answer, without running a program: $said" ;;
esac
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $7, %%ebx\n int $0x80\n' >"$work/exit.s"
if as --32 -o "$work/exit.o" "$work/exit.s" 2>/dev/null &&
   ld -m elf_i386 -o "$work/exit" "$work/exit.o" 2>/dev/null; then
  "$work/exit" 2>/dev/null
  [ $? = 7 ] && built=0 || built=1
  [ "$answer" = "$built" ] && echo "ok runs-32bit-as-built" ||
    fail runs-32bit-as-built "answered $answer; a program built with as and ld says $built"
fi

# qemu-i386 against a stub binfmt_misc: an emulator changed since its checksum was kept is never
# registered (an earlier registration of it is removed), nor one in a folder others can write; the
# one that matches is registered, and --remove undoes that.
q=$(realpath "$work")/qemu
mkdir -p "$q/binfmt" "$q/lib"
: >"$q/binfmt/register"
printf 'emulator\n' >"$q/lib/qemu-i386"
echo "$(md5sum <"$q/lib/qemu-i386" | cut -c1-32)  usr/bin/qemu-i386" >"$q/lib/qemu-i386.md5sums"
qemu() {
  PATH=$work/bin:$PATH STATE=$q TF_BINFMT_MISC=$q/binfmt TF_QEMU_DIR=$q/lib \
    bash "$root/scripts/qemu-i386" "$@" >>"$q/out" 2>&1
}
printf 'enabled\ninterpreter %s\n' "$q/lib/qemu-i386" >"$q/binfmt/tallyfold-i386"
printf 'changed\n' >>"$q/lib/qemu-i386"
if qemu; then fail qemu-tampered "exit 0"
elif [ -s "$q/binfmt/register" ]; then fail qemu-tampered "registered: $(cat "$q/binfmt/register")"
elif [ "$(cat "$q/binfmt/tallyfold-i386")" != -1 ]; then fail qemu-tampered "earlier registration stays"
else echo "ok qemu-tampered"; fi
printf 'emulator\n' >"$q/lib/qemu-i386"
rm "$q/binfmt/tallyfold-i386"
qemu && grep -q "^:tallyfold-i386:M::.*:$q/lib/qemu-i386:F\$" "$q/binfmt/register" &&
  echo "ok qemu-registers" || fail qemu-registers "not registered: $(cat "$q/binfmt/register")"
: >"$q/binfmt/register"
chmod o+w "$q/lib"
qemu || [ -s "$q/binfmt/register" ] && fail qemu-writable "registered from a folder all can write" ||
  echo "ok qemu-writable"
chmod o-w "$q/lib"
printf 'enabled\ninterpreter %s\n' "$q/lib/qemu-i386" >"$q/binfmt/tallyfold-i386"
qemu --remove && [ "$(cat "$q/binfmt/tallyfold-i386")" = -1 ] && [ ! -e "$q/lib" ] &&
  echo "ok qemu-remove" || fail qemu-remove "still registered, or $q/lib left"
[ "$failures" = 0 ] || cat "$q/out"
exit $failures
