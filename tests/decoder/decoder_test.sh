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

# decode EXPECTED INPUT_FORMAT CAPTURE DECODERS ANNOTATIONS [OPTION]: what sigrok-cli prints, on
# either stream, is EXPECTED, both without the lines that $skip matches.
skip='^$'
decode() {
  sigrok-cli -I "$2" -i "$3" -P "$4" -A "$5" ${6:-} 2>&1 | grep -v "$skip" >"$dir/out"
  check "$(basename "$3") ($2) as $(basename "$1")" diff -u <(grep -v "$skip" "$1") "$dir/out"
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
      decode "$expected" vcd "${expected%.*}.vcd" $decoders $rows --protocol-decoder-samplenum
    done
    ;;
  session)
    QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$4 QT_QPA_GENERIC_PLUGINS=saa1057-session \
      timeout 60 "$3" --simulate --trace "$dir/session.vcd" 2>"$dir/session.err" || ended session
    decode "$here/session.words" vcd "$dir/session.vcd" saa1057 saa1057=words:warnings
    # A sweep of the simulated chip is traced on the model's time, its line pulsing low until
    # lock: the decoder times each lock as the rows do (the start-up's 2.1 ms; below 8600 none
    # within its 100 ms; 0.5 ms at 8600 and at 8610, after their last pulse).
    timeout 60 "$3" --headless --simulate --lock --word-b test=lock --sweep 8590N-8610N \
      --trace "$dir/sweep.vcd" >/dev/null 2>"$dir/sweep.err" || ended sweep
    decode "$here/sweep.words" vcd "$dir/sweep.vcd" saa1057 saa1057=words:locks
    # At 1 MHz, as an analyser might sample the slow bus. Start-up sends before the bus speed
    # is set, with no wait between the line changes: too fast to see at this rate, or just seen
    # in a slower (sanitized) build. Every later word must come out whole.
    skip='^saa1057-1: Word A: N 11690,'
    decode "$here/session.words" vcd:downsample=1000 "$dir/session.vcd" saa1057 saa1057=words
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
