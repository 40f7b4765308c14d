#!/usr/bin/env bash
# Sourced by the start scripts: when DISPLAY is unset, starts a private Xvfb
# (with GLX, where Mesa's llvmpipe renders) and stops it when the shell exits.
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1920x1080x24 +extension GLX -nolisten tcp -noreset >/dev/null 2>&1 &
  KOLVANE_XVFB_PID=$!
  trap 'kill $KOLVANE_XVFB_PID 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  # Ready when it answers a client, not merely when its socket exists.
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
fi
