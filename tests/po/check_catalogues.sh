#!/bin/sh
# Each catalogue checked as msgfmt checks a catalogue it compiles (formats, plural forms, the
# header), translated in full (no untranslated and no fuzzy entry) and holding every text of
# the program (msgcmp against the texts gathered at this build).
#   check_catalogues.sh POT PODIR LANG...
set -u
pot=$1 podir=$2
shift 2
status=0
for lang in "$@"; do
    po="$podir/$lang.po"
    stats=$(msgfmt --check --statistics -o /dev/null "$po" 2>&1) || { echo "$stats"; status=1; }
    echo "$lang: $stats"
    case "$stats" in
    *untranslated* | *fuzzy*) echo "$lang: not translated in full"; status=1 ;;
    esac
    msgcmp "$po" "$pot" || { echo "$lang: texts of the program missing"; status=1; }
done
exit $status
