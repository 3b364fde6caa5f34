#!/usr/bin/env bash
# Decodes captures with sigrok-cli and our decoder, and compares the annotations with the ones
# expected, written by hand. sigrok-cli exits 0 even when nothing decodes: only its output
# counts, and its error stream must stay empty.
# Usage: decoder_test.sh DECODERS_DIR captures
#        decoder_test.sh DECODERS_DIR session PANEL PLUGIN_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$here/../support/checks.sh"

# Ours and the stacked probe that shows our Python output, from one search directory.
mkdir "$dir/decoders"
ln -s "$1/saa1057" "$here/saa1057_probe" "$dir/decoders/"
export SIGROKDECODE_DIR=$dir/decoders

# decode EXPECTED CAPTURE DECODERS ANNOTATIONS [OPTION]: what sigrok-cli prints, on either stream,
# is EXPECTED.
decode() {
  sigrok-cli -I vcd -i "$2" -P "$3" -A "$4" ${5:-} >"$dir/out" 2>&1
  check "$(basename "$2") as $(basename "$1")" diff -u "$1" "$dir/out"
}
ended() { echo "FAILED: the $1 ended badly"; cat "$dir/$1.err"; exit 1; }

case $2 in
  captures)
    # NAME.bits, NAME.words (with the warnings), NAME.word-b and NAME.locks hold what NAME.vcd
    # decodes to in that row or annotation class, with sample numbers, and NAME.python our Python
    # output. A lock spans the load pulse of the word before (its rising clock edge) to the lock
    # line's edge.
    for expected in "$here"/captures/*.{bits,words,word-b,python,locks}; do
      decoders=saa1057 rows=saa1057=${expected##*.}
      case $rows in
        *=words) rows=$rows:warnings ;;
        *=python) decoders=saa1057,saa1057_probe rows=saa1057_probe ;;
      esac
      decode "$expected" "${expected%.*}.vcd" $decoders $rows --protocol-decoder-samplenum
    done
    ;;
  session)
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$4 QT_QPA_GENERIC_PLUGINS=saa1057-session \
      timeout 60 "$3" --simulate --trace "$dir/session.vcd" 2>"$dir/session.err" || ended session
    decode "$here/session.words" "$dir/session.vcd" saa1057 saa1057=words:warnings
    # A sweep of the simulated chip at the 1.25 kHz reference is traced on the model's time, its
    # line pulsing low until lock: the decoder counts each divider in 12.5 kHz once the Word B
    # is loaded, and times each lock as the rows do (none for the start-up's 11690, now a
    # 146.125 MHz oscillator, within its 100 ms; 3.4 ms at 10279 and 10280, after their last
    # pulse; none past the top of the oscillator's range at 128.5 MHz).
    timeout 60 "$3" --headless --simulate --lock --word-b refh=1.25,test=lock \
      --sweep 10279N-10281N/1N --trace "$dir/sweep.vcd" >/dev/null 2>"$dir/sweep.err" || ended sweep
    decode "$here/sweep.words" "$dir/sweep.vcd" saa1057 saa1057=words:locks
    # Compressed as the README offers for the words alone, the idle stretches shorten, and with
    # them the locks' times: the words are the same, the locks not.
    sigrok-cli -I vcd:compress=1000 -i "$dir/sweep.vcd" -P saa1057 -A saa1057=words:locks \
      >"$dir/compressed" 2>&1
    check "the sweep compressed: its words as they were" diff -u \
      <(grep ': Word' "$here/sweep.words") <(grep ': Word' "$dir/compressed")
    check "the sweep compressed: its locks not" [ "$(grep -v ': Word' "$here/sweep.words")" != \
      "$(grep -v ': Word' "$dir/compressed")" ]
    ;;
esac
finish
