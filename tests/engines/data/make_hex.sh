#!/bin/sh
# Rebuilds the firmware test files from a small program, with the toolchains' own tools. The tests
# use the committed files and need neither tool; run this only to change them.
#
#   firmware.bin                 the program as the driver's flash holds it from 0x2000 (gaps 0xFF)
#   firmware_objcopy.hex         objcopy: 16-byte records, start linear address record
#   firmware_srec_linear.hex     srec_cat: 32-byte records, extended linear addresses, start linear
#                                address; with a boot loader area below 0x2000 and a calibration
#                                page at 0x1F000 that the loader leaves out (2096 bytes)
#   firmware_srec_segment.hex    srec_cat: 16-byte records, extended segment addresses, start
#                                segment address; the same extra areas
#
# Needs cc, ld and objcopy (binutils) and srec_cat (srecord).
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A stand-in for a driver's application: a logarithmic dimming table and the code that reads it.
# The table makes the program span several 512-byte blocks, the last one short.
awk 'BEGIN {
    print "static const unsigned short dimTable[1024] = {";
    for (i = 0; i < 1024; ++i)
        printf "%d,%s", int(65535 * exp((i - 1023) * log(1000) / 1023) + 0.5), (i % 12 == 11) ? "\n" : " ";
    print "};";
    print "unsigned short level(unsigned arc) { return dimTable[arc & 1023u]; }";
    print "int main(void) { volatile unsigned s = 0; for (unsigned i = 0; i < 1024u; ++i) s += level(i); return (int)s; }";
}' > "$work/firmware.c"

cc -Os -ffreestanding -fno-pic -fno-asynchronous-unwind-tables -fno-stack-protector \
    -c "$work/firmware.c" -o "$work/firmware.o"
ld -N -Ttext=0x2000 -e main --build-id=none --no-warn-rwx-segments -o "$work/firmware.elf" "$work/firmware.o"

objcopy -O binary -j .text -j .rodata --gap-fill 0xFF "$work/firmware.elf" firmware.bin
chmod 644 firmware.bin
objcopy -O ihex -j .text -j .rodata "$work/firmware.elf" firmware_objcopy.hex

extras="-generate 0x0000 0x0800 -repeat-data 0x55 0xAA -generate 0x1F000 0x1F030 -repeat-string CAL."
# shellcheck disable=SC2086
srec_cat firmware.bin -binary -offset 0x2000 $extras -execution-start-address=0x2000 \
    -o firmware_srec_linear.hex -intel -output-block-size=32 -address-length=4
# shellcheck disable=SC2086
srec_cat firmware.bin -binary -offset 0x2000 $extras -execution-start-address=0x2000 \
    -o firmware_srec_segment.hex -intel -output-block-size=16 -address-length=3
