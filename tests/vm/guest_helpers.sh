# Sourced by the guest scripts (boot.sh): running the panel chrooted into the host's root
# (chroot /host), each case leaving NAME.out, NAME.err and NAME.status in /out. The script
# defines answers(), true once the panel serves rigctld.
. "/host$tests/../support/wait.sh"
# The panel keeps its state as it runs: on the guest's tmpfs (/mnt in the chroot), since the
# host's root is read-only here.
export XDG_STATE_HOME=/mnt/state
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
cp "/host$program" /host/mnt/saa1057-panel || exit 1
as_nobody() {
  local name=$1; shift
  case_of "$name" chroot /host /mnt/busybox start-stop-daemon -S -c 65534:65534 \
    -x /mnt/saa1057-panel -- "$@"
}
stop() {  # NAME: SIGTERM to the panel started last
  kill -TERM "$pid"
  wait "$pid"
  echo $? >"/out/$1.status"
}
