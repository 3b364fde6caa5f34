# The guest's side of every virtual-machine test, which boot.sh's init runs (vm_checks.sh's
# boot_guest): the helpers that the test's own guest script, /out/env's $guest_script, runs the
# panel with, chrooted into the host's root (chroot /host), each case leaving NAME.out, NAME.err
# and NAME.status in /out.
. /out/env
. "/host$tests/../support/wait.sh"
# The panel keeps its state as it runs: on the guest's tmpfs (/mnt in the chroot), since the
# host's root is read-only here.
export XDG_STATE_HOME=/mnt/state
# Hamlib's rigctl at the panel's rigctld; answers(), whether the panel serves it yet.
rigctl() { chroot /host rigctl -m 2 -r 127.0.0.1:4532 "$@"; }
answers() { rigctl f 2>/dev/null | grep -q '^[0-9]'; }
case_of() {  # NAME COMMAND...: runs COMMAND in the foreground, for 30 s at most
  local name=$1; shift
  timeout 30 "$@" >"/out/$name.out" 2>"/out/$name.err"
  echo $? >"/out/$name.status"
}
started() {  # NAME CONDITION...: waits up to 60 s for CONDITION while the panel runs
  local name=$1; shift
  wait_for 600 --while "$pid" "$@" || echo "$name: did not start"
}
# NAME OPTION...: the panel headless with rigctld in the background, until it answers; $pid is
# the panel's own (busybox's chroot execs it).
serve() {
  local name=$1; shift
  chroot /host "$program" --headless --rigctld "$@" >"/out/$name.out" 2>"/out/$name.err" &
  pid=$!
  started "$name" answers
}
# NAME OPTION...: the panel as nobody, whom the devices do not admit. Nobody runs a copy on the
# guest's tmpfs (/mnt in the chroot): the folder it was built in may admit its owner alone.
as_nobody() {
  local name=$1; shift
  cp "/host$program" /host/mnt/saa1057-panel || echo "$name: no copy of the panel for nobody"
  case_of "$name" chroot /host /mnt/busybox start-stop-daemon -S -c 65534:65534 \
    -x /mnt/saa1057-panel -- "$@"
}
stop() { kill -TERM "$pid"; ended "$1"; }  # NAME: SIGTERM to the panel started last
ended() {  # NAME: the panel started last ends (within 30 s, or is killed) with a status
  wait_for 300 gone || { kill -KILL "$pid"; echo "$1: did not end within 30 s, killed"; }
  wait "$pid"
  echo $? >"/out/$1.status"
}
. "/host$guest_script"
