#!/usr/bin/env bash
# Fills a mounted NTFS volume with the demo's files, directories and streams.
set -euo pipefail
m=$1
mkdir -p "$m/Documents/Reports" "$m/Downloads" "$m/Pictures" "$m/Projects/src"
echo "quarterly numbers" > "$m/Documents/Reports/q3.txt"
echo "meeting notes" > "$m/Documents/notes.txt"
echo "MZ" > "$m/Downloads/setup.exe"
printf '%%PDF-1.4\n' > "$m/Downloads/manual.pdf"
echo "holiday" > "$m/Pictures/beach.jpg"
echo "int main() {}" > "$m/Projects/src/main.cpp"
echo "hello" > "$m/readme.txt"

# A browser's download mark.
setfattr -n user.Zone.Identifier -v $'[ZoneTransfer]\r\nZoneId=3\r\n' "$m/Downloads/setup.exe"
setfattr -n user.Zone.Identifier -v $'[ZoneTransfer]\r\nZoneId=3\r\n' "$m/Downloads/manual.pdf"
# Streams on a file, on a directory, and a payload hidden behind an innocent name.
setfattr -n user.summary -v "draft" "$m/Documents/Reports/q3.txt"
setfattr -n user.reviewed -v "yes" "$m/Documents/Reports/q3.txt"
setfattr -n user.thumbnail -v "...." "$m/Pictures"
setfattr -n user.payload.exe -v "MZ-not-really" "$m/readme.txt"
