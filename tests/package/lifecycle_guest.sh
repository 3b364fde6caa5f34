# Runs as root in the Debian system that lifecycle_test.sh boots (systemd as PID 1): takes the
# package through an administrator's life cycle with its service running, and leaves in /out
# what each step left on the system, for lifecycle_test.sh to check. /out/env names the package
# ($deb, in the host's root at /host); /out/upgrade.deb is its newer build.
. /out/env
export DEBIAN_FRONTEND=noninteractive
service=saa1057-panel.service
options=/etc/default/saa1057-panel

step() {  # NAME COMMAND...: leaves NAME.out with its output and NAME.status
  "${@:2}" >"/out/$1.out" 2>&1
  echo $? >"/out/$1.status"
}
main_pid() { systemctl show --property=MainPID --value "$service"; }
# Waits up to 60 s for the service's COUNTth start-up word in its journal (the port opened).
started() {
  for _ in $(seq 120); do
    [ "$(journalctl --unit="$service" --output=cat | grep -c '^Word A .* sent')" -ge "$1" ] && return
    sleep 0.5
  done
  echo "the service did not send its start-up word $1 within 60 s" >>/out/timeouts
}
# What the service is: active state, process owner, the addresses it listens on (LISTEN in
# /proc/net/tcp*), its journal lines; and the enabling links in /etc/systemd/system.
state() {
  local pid
  pid=$(main_pid)
  systemctl is-active "$service" >"/out/$1.active"
  echo "$pid" >"/out/$1.pid"
  stat -c %U "/proc/$pid" >"/out/$1.user" 2>/dev/null
  awk '$4 == "0A" {print $2}' /proc/net/tcp /proc/net/tcp6 >"/out/$1.listening"
  journalctl --unit="$service" --output=cat | grep -E '^Word [AB] ' >"/out/$1.journal"
  find /etc/systemd/system -name "$service" -printf '%P -> %l\n' | sort >"/out/$1.links"
}
# The panel's processes, its binary deleted or not.
programs_running() { cat /proc/[0-9]*/comm 2>/dev/null | grep -x saa1057-panel; }

# What of the package's tree the system had already, such as /usr/share/man/man1: it stays.
dpkg-deb --fsys-tarfile "/host$deb" | tar -t | sed 's|^\.||; s|^/$|/.|; s|/$||' |
  while read -r path; do
    if [ -e "$path" ]; then echo "$path"; fi
  done >/out/existed

step install apt-get install --yes --quiet "/host$deb"
id -nG saa1057-panel | tr ' ' '\n' | sort | paste -sd' ' >/out/installed.groups
systemctl is-enabled "$service" >/out/installed.enabled
systemctl is-active "$service" >/out/installed.active
dpkg-query --listfiles saa1057-panel >/out/files

# The administrator's change: the parallel port, no rigctld server, no Word B (empty values),
# the web page for the network.
sed -i 's|^PORT=.*|PORT=/dev/parport0|; s|^RIGCTLD=.*|RIGCTLD=|; s|^WORD_B=.*|WORD_B=|;
  s|^HTTP=.*|HTTP=0.0.0.0:8080|' "$options"
cp "$options" /out/options.changed
step enable systemctl enable --now "$service"
started 1
state enabled
stat -c '%a %U %s' /var/lib/saa1057-panel/http-password >/out/enabled.password 2>&1

step upgrade apt-get install --yes --quiet /out/upgrade.deb
started 2
state upgraded
dpkg-query --show --showformat='${Version}\n' saa1057-panel >/out/upgraded.version
cp "$options" /out/options.upgraded
find /etc/default -name 'saa1057-panel*' -printf '%f\n' >/out/upgraded.options

# Back on its station: the stop keeps the state; another station put in it, as a client's tuning
# would have, the next start resumes it (RESUME=yes, the options file's default).
step stop systemctl stop "$service"
cp /var/lib/saa1057-panel/state /out/stopped.state 2>&1
sed -i 's/^divider .*/divider 10680/' /var/lib/saa1057-panel/state
step restart systemctl start "$service"
started 4
state restarted

step remove apt-get remove --yes --quiet saa1057-panel
state removed
programs_running >/out/removed.processes
systemctl is-enabled "$service" >/out/removed.enabled 2>&1
test -f "$options" && echo kept >/out/removed.options

step purge apt-get purge --yes --quiet saa1057-panel
dpkg-query --show saa1057-panel >/out/purged.known 2>&1
getent passwd saa1057-panel >/out/purged.user
getent group saa1057-panel >>/out/purged.user
find /etc /var/lib -name '*saa1057-panel*' >/out/purged.left
while read -r path; do
  if { [ -e "$path" ] || [ -L "$path" ]; } && ! grep -qxF -- "$path" /out/existed; then
    echo "$path"
  fi
done </out/files >>/out/purged.left
