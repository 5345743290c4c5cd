#!/usr/bin/env bash
# Mounts (or unmounts) a 1 MB tmpfs that the Windows tests reach through
# Wine's Z: drive, so that a full disk is testable. Where mounting is not
# allowed, nothing is mounted and the tests that need it skip.
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
    ;;
  umount)
    mountpoint -q "$dir" && umount "$dir"
    rm -rf "$dir" 2>/dev/null
    ;;
esac
exit 0
