# Sourced by the command-line tests that write PNG files.
# png_size FILE: prints "WxH" from the IHDR (bytes 16..23, big-endian) after the PNG signature;
# fails for a file that does not begin with the signature.
png_size() {
  [ "$(od -An -tu1 -N8 "$1" | tr -s ' ')" = " 137 80 78 71 13 10 26 10" ] || return 1
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4) "x" \
                 ($5 * 16777216 + $6 * 65536 + $7 * 256 + $8) }'
}
