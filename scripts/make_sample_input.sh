#!/usr/bin/env bash
# Writes COUNT records of 40 bytes for the shipped example control file kvtsort.txt:
# a 10-letter name, 10 blanks, a 5-digit amount, 14 blanks and a newline.
set -euo pipefail
count=${1:?usage: make_sample_input.sh COUNT OUTPUT}
out=${2:?usage: make_sample_input.sh COUNT OUTPUT}
awk -v n="$count" 'BEGIN {
  srand(20);
  for (i = 0; i < n; i++) {
    name = "";
    for (k = 0; k < 10; k++) name = name sprintf("%c", 65 + int(rand() * 26));
    if (i % 7 == 3) name = "SMITHJOHNS";  # repeated names show the second, descending key
    printf "%s%10s%05d%14s\n", name, "", int(rand() * 100000), "";
  }
}' > "$out"
