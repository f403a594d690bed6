#!/usr/bin/env bash
# Writes the small seed files of the format fuzzers into fuzz/corpus/<target>. Every seed
# is built here byte by byte; run again after changing it and commit the result.
set -euo pipefail
mkdir -p "$(dirname "${BASH_SOURCE[0]}")/../corpus"
cd "$(dirname "${BASH_SOURCE[0]}")/../corpus"
mkdir -p fuzz_quadrel_convert fuzz_probe_jpeg fuzz_probe_headers

# Quadrel 2 x 10 with dots at (0, 0) and (1, 9).
printf '\x02\x00\x0a\x00\x01\x00\x00\x02' > fuzz_quadrel_convert/qdl_2x10
# Quadrel 12 x 12, a checker pattern.
{ printf '\x0c\x00\x0c\x00'; for i in $(seq 24); do printf '\x55'; done; } \
  > fuzz_quadrel_convert/qdl_12x12

# The program's bitmap header for 12 x 12 (110 bytes), then rows of alternating pixels.
bmp_12x12() {
  printf 'BM\x6e\x00\x00\x00\x00\x00\x00\x00\x3e\x00\x00\x00\x28\x00\x00\x00'
  printf '\x0c\x00\x00\x00\x0c\x00\x00\x00\x01\x00\x01\x00\x00\x00\x00\x00'
  printf '\x00\x00\x00\x00\xce\x0e\x00\x00\xd8\x0e\x00\x00\x00\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\x00'
  for i in $(seq 12); do printf '\xaa\x50\x00\x00'; done
}
bmp_12x12 > fuzz_quadrel_convert/bmp_12x12

# JPEG: SOI, JFIF APP0 (length 16), a comment, a baseline frame 102 x 64, EOI.
jpeg_head() {
  printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00'
  printf '\xff\xfe\x00\x06seed'
}
{ jpeg_head; printf '\xff\xc0\x00\x11\x08\x00\x40\x00\x66\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xd9'; } \
  > fuzz_probe_jpeg/baseline
{ jpeg_head; printf '\xff\xc2\x00\x0b\x08\x01\xe0\x02\x80\x01\x01\x11\x00\xff\xd9'; } \
  > fuzz_probe_jpeg/progressive
{ jpeg_head; printf '\xff\xc7\x00\x0b\x08\x00\x0a\x00\x0a\x01\x01\x11\x00\xff\xd9'; } \
  > fuzz_probe_jpeg/c7_only
# A segment length above 32767 (a camera's profile), cut short, and a frame above 32767.
{ printf '\xff\xd8\xff\xe2\x9c\x40profile'; } > fuzz_probe_jpeg/long_segment
{ printf '\xff\xd8\xff\xc0\x00\x0b\x08\x80\x00\xff\xfe\x01\x01\x11\x00\xff\xd9'; } \
  > fuzz_probe_jpeg/large_frame

# Probe headers: the first byte chooses the recorded extension (0 .BMP, 5 .GIF, 1 .JPEG).
{ printf '\x00'; bmp_12x12; } > fuzz_probe_headers/bmp
{ printf '\x05GIF89a\x80\x02\xe0\x01\x80\x00\x00\x00\x00\x00\xff\xff\xff\x3b'; } \
  > fuzz_probe_headers/gif
{ printf '\x01'; cat fuzz_probe_jpeg/baseline; } > fuzz_probe_headers/jpeg
# An OS/2 bitmap header (12 bytes, 16-bit sizes) and a top-down one (negative height).
{ printf '\x00BM\x1a\x00\x00\x00\x00\x00\x00\x00\x1a\x00\x00\x00\x0c\x00\x00\x00'
  printf '\x80\x02\xe0\x01\x01\x00\x01\x00'; } > fuzz_probe_headers/bmp_os2
{ printf '\x00'; head -c 22 fuzz_quadrel_convert/bmp_12x12; printf '\xf4\xff\xff\xff'
  tail -c +27 fuzz_quadrel_convert/bmp_12x12; } > fuzz_probe_headers/bmp_top_down
