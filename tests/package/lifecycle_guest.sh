# Runs as root in the Debian system that lifecycle_test.sh boots (systemd as PID 1): takes the
# package through an administrator's life cycle with its service running, and leaves in /out a
# report of what each step left on the system, for lifecycle_test.sh to check. /out/env names the
# package ($program, in the host's root at /host).
. /out/env
export DEBIAN_FRONTEND=noninteractive
service=saa1057-panel.service
options=/etc/default/saa1057-panel

# NAME STARTS COMMAND...: takes a step and reports in /out/NAME.report, a fact a line, what the
# system shows once the service has sent its STARTSth start-up word in all (its port opened; 60 s
# at most), after a failed command's output. The panel's processes go by name: a removal deletes
# the binary of one still running.
step() {
  "${@:3}" >/out/step.out 2>&1 || { echo "failed with status $?:"; cat /out/step.out; } >"/out/$1.report"
  timeout 60 bash -c 'until [ "$(journalctl --unit="$0" --output=cat | grep -c "^Word A .* sent")" -ge "$1" ]
    do sleep 0.5; done' "$service" "$2" || echo "no start-up word $2 within 60 s" >>"/out/$1.report"
  {
    echo "active: $(systemctl is-active "$service")"
    echo "enabled: $(systemctl is-enabled "$service" 2>&1)"
    find /etc/systemd/system -name "$service" -printf 'link: %P -> %l\n' | sort
    grep -lx saa1057-panel /proc/[0-9]*/comm 2>/dev/null | xargs -r stat -c 'panel running as: %U'
    awk '$4 == "0A" {print "listening: " $2}' /proc/net/tcp /proc/net/tcp6 | sort
    journalctl --unit="$service" --output=cat | grep -E '^Word [AB] ' | sed 's/^/journal: /'
    getent passwd saa1057-panel | awk -F: '{print "user:", ($3 < 1000 ? "system" : "uid " $3), $7}'
    echo "groups:" $(id -nG saa1057-panel 2>/dev/null | tr ' ' '\n' | sort)
    dpkg-query --show --showformat='package: ${db:Status-Status}\n' saa1057-panel 2>&1
    find /etc/default -name 'saa1057-panel*' -printf 'options file: %f\n'
    cmp -s "$options" /out/options.changed && echo "options: as the administrator changed them"
    stat -c 'password: %a %U %s' /var/lib/saa1057-panel/http-password 2>/dev/null
  } >>"/out/$1.report"
}

step install 0 apt-get install --yes --quiet "/host$program"
# The administrator's change: the parallel port, no Word B (empty values), the web page for the
# network.
sed -i 's|^PORT=.*|PORT=/dev/parport0|; s|^WORD_B=.*|WORD_B=|; s|^HTTP=.*|HTTP=0.0.0.0:8080|' "$options"
cp "$options" /out/options.changed
step enable 1 systemctl enable --now "$service"
step upgrade 2 apt-get install --yes --quiet --reinstall "/host$program"
# Back on its station: the stop keeps the state; another station put in it, as a client's tuning
# would have, the next start resumes it (RESUME=yes, the options file's default).
step stop 0 systemctl stop "$service"
sed 's/^/state: /' /var/lib/saa1057-panel/state >>/out/stop.report 2>&1
sed -i 's/^divider .*/divider 10680/' /var/lib/saa1057-panel/state
step restart 4 systemctl start "$service"
step remove 0 apt-get remove --yes --quiet saa1057-panel
step purge 0 apt-get purge --yes --quiet saa1057-panel
{ getent group saa1057-panel; find /etc /var/lib -name '*saa1057-panel*'; } | sed 's/^/left: /' >>/out/purge.report
