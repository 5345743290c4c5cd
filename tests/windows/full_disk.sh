#!/usr/bin/env bash
# Mounts (or unmounts) a 1 MB tmpfs that the Windows tests reach through
# Wine's Z: drive, so that a full disk is testable, and beside it an empty
# folder bind-mounted read-only (DIR-readonly): Wine runs as administrator
# and ignores read-only marks on folders, so only a read-only mount makes an
# existing folder that cannot be written to. Where mounting is not allowed,
# nothing is mounted and the tests that need it skip.
#   full_disk.sh mount|umount DIR
set -uo pipefail
action=${1:?mount or umount}
dir=${2:?folder}
case "$action" in
  mount)
    mkdir -p "$dir"
    if ! mountpoint -q "$dir"; then
      mount -t tmpfs -o size=1m tmpfs "$dir" 2>/dev/null || { echo "full_disk: cannot mount, tests skip"; exit 0; }
    fi
    rm -rf "${dir:?}"/*
    touch "$dir/.full-disk"
    readonly_dir="$dir-readonly"
    mkdir -p "$readonly_dir"
    if ! mountpoint -q "$readonly_dir"; then
      { mount --bind "$readonly_dir" "$readonly_dir" &&
        mount -o remount,ro,bind "$readonly_dir"; } 2>/dev/null ||
        { mountpoint -q "$readonly_dir" && umount "$readonly_dir"; echo "full_disk: no read-only mount, tests skip"; }
    fi
    ;;
  umount)
    mountpoint -q "$dir" && umount "$dir"
    mountpoint -q "$dir-readonly" && umount "$dir-readonly"
    rm -rf "$dir" "$dir-readonly" 2>/dev/null
    ;;
esac
exit 0
