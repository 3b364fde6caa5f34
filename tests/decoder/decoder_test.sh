#!/usr/bin/env bash
# Decodes captures with sigrok-cli and our decoder, and compares the annotations with the ones
# expected, written by hand. sigrok-cli exits 0 even when nothing decodes: only its output
# counts, and its error stream must stay empty.
# Usage: decoder_test.sh DECODERS_DIR captures
#        decoder_test.sh DECODERS_DIR session PANEL PLUGIN_DIR
#        decoder_test.sh DECODERS_DIR installed BUILD_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
source "$here/../support/checks.sh"

# Ours and the stacked probe that shows our Python output, from one search directory.
mkdir "$dir/decoders"
ln -s "$1/saa1057" "$here/saa1057_probe" "$dir/decoders/"
export SIGROKDECODE_DIR=$dir/decoders

# What of sigrok-cli's output counts; all of it unless a case says otherwise.
seen() { cat; }

# decode EXPECTED INPUT_FORMAT CAPTURE DECODERS ANNOTATIONS [OPTION]: compare with EXPECTED.
decode() {
  local name
  name=$(basename "$1")
  sigrok-cli -I "$2" -i "$3" -P "$4" -A "$5" ${6:-} 2>"$dir/$name.err" | seen >"$dir/$name.out"
  check "$name" read_as "$1" "$dir/$name.out" "$dir/$name.err"
}
# EXPECTED OUTPUT ERRORS: the output is the one expected, and nothing went to the error stream.
read_as() {
  local status=0
  diff -u "$1" "$2" || status=1
  diff /dev/null "$3" || status=1
  return "$status"
}

case $2 in
  captures)
    # NAME.bits, NAME.words and NAME.python hold what NAME.vcd decodes to, with sample numbers;
    # NAME.word-b what it decodes to in that one annotation class; NAME.locks the lock row, from
    # the load pulse of the word before (its rising clock edge) to the lock line's edge.
    for expected in "$here"/captures/*.{bits,words,word-b,python,locks}; do
      case ${expected##*.} in
        locks) decoders=saa1057 rows=saa1057=locks ;;
        bits) decoders=saa1057 rows=saa1057=bits ;;
        words) decoders=saa1057 rows=saa1057=words:warnings ;;
        word-b) decoders=saa1057 rows=saa1057=word-b ;;
        python) decoders=saa1057,saa1057_probe rows=saa1057_probe ;;
      esac
      decode "$expected" vcd "${expected%.*}.vcd" $decoders $rows --protocol-decoder-samplenum
    done
    ;;
  session)
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$4 QT_QPA_GENERIC_PLUGINS=saa1057-session \
      timeout 60 "$3" --simulate --trace "$dir/session.vcd" 2>"$dir/panel.err"
    [ $? -eq 0 ] || { echo "FAILED: the session ended badly"; cat "$dir/panel.err"; exit 1; }
    decode "$here/session.words" vcd "$dir/session.vcd" saa1057 saa1057=words:warnings
    # At 1 MHz, as an analyser might sample the slow bus. Start-up sends before the bus speed
    # is set, with no wait between the line changes: too fast to see at this rate, or just seen
    # in a slower (sanitized) build. Every later word must come out whole.
    seen() { grep -v '^saa1057-1: Word A: N 11690,' || true; }
    tail -n +2 "$here/session.words" >"$dir/coarse.words"
    decode "$dir/coarse.words" vcd:downsample=1000 "$dir/session.vcd" saa1057 saa1057=words
    seen() { cat; }
    # A sweep of the simulated chip is traced on the model's time, its line pulsing low until
    # lock: the decoder times each lock as the rows do (the start-up's 2.1 ms; below 8600 none
    # within its 100 ms; 0.5 ms at 8600 and at 8610, after their last pulse).
    timeout 60 "$3" --headless --simulate --lock --word-b test=lock --sweep 8590N-8610N \
      --trace "$dir/sweep.vcd" >/dev/null 2>"$dir/sweep.err" ||
      { echo "FAILED: the sweep ended badly"; cat "$dir/sweep.err"; exit 1; }
    decode "$here/sweep.words" vcd "$dir/sweep.vcd" saa1057 saa1057=words:locks
    ;;
  installed)
    # Where `make install` puts it, among the system's decoders.
    cmake --install "$3" --prefix "$dir/prefix" >/dev/null
    unset SIGROKDECODE_DIR
    XDG_DATA_DIRS=$dir/prefix/share decode "$here/captures/coarse.words" vcd \
      "$here/captures/coarse.vcd" saa1057 saa1057=words:warnings --protocol-decoder-samplenum
    ;;
esac
finish
