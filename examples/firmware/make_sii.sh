#!/usr/bin/env bash
# Writes the SII image (the EEPROM contents) of the example slave as an EEPROM programmer would
# read it out: 16-bit words, low byte first. The identity and mailbox layout are arguments, so
# that the build passes the same values to the firmware and to its EEPROM.
set -euo pipefail

if [ $# -ne 10 ]; then
  echo "usage: $0 OUT.bin VENDOR PRODUCT REVISION SERIAL OUT_START OUT_SIZE IN_START IN_SIZE NAME" >&2
  echo "  OUT_*: the mailbox the master writes (SM0), IN_*: the one it reads (SM1); numbers as 0x... or decimal" >&2
  exit 2
fi
out=$1
vendor=$(($2)) product=$(($3)) revision=$(($4)) serial=$(($5))
out_start=$(($6)) out_size=$(($7)) in_start=$(($8)) in_size=$(($9))
name=${10}
group="KestIO examples"
order="KIO-EXAMPLE"

words=()
word() { for value in "$@"; do words+=($((value & 0xFFFF))); done; }
dword() { word $(($1 & 0xFFFF)) $((($1 >> 16) & 0xFFFF)); }

# A category: its type, then its bytes, padded to whole words.
category() {
  local type=$1
  shift
  local bytes=("$@")
  if [ $((${#bytes[@]} % 2)) -ne 0 ]; then bytes+=(0); fi
  word "$type" $((${#bytes[@]} / 2))
  for ((i = 0; i < ${#bytes[@]}; i += 2)); do word $((bytes[i] | bytes[i + 1] << 8)); done
}

# The bytes of a text: its length, then its characters.
text_bytes() {
  local text=$1
  printf '%d ' "${#text}"
  for ((i = 0; i < ${#text}; i++)); do printf '%d ' "'${text:i:1}"; done
}

# Header, words 0x00-0x3F
word 0x0005 0 0 0                                  # PDI control: a microcontroller; PDI configuration; sync impulse
word 0 0 0                                         # station alias, reserved
word 0                                             # checksum of words 0-6, filled in below
dword $vendor; dword $product; dword $revision; dword $serial
word 0 0 0 0                                       # execution delay, port delays, reserved
word 0 0 0 0                                       # no bootstrap mailbox
word $out_start $out_size $in_start $in_size       # the standard mailbox
word 0x0004                                        # mailbox protocols: CoE
while [ ${#words[@]} -lt $((0x3E)) ]; do word 0; done
word 1                                             # EEPROM size in kbit, minus one: 2 kbit
word 1                                             # SII version

# CRC-8 (polynomial 0x07, start 0xFF) over the bytes of words 0-6, in the low byte of word 7
crc=0xFF
for ((w = 0; w < 7; w++)); do
  for byte in $((words[w] & 0xFF)) $((words[w] >> 8)); do
    crc=$((crc ^ byte))
    for ((bit = 0; bit < 8; bit++)); do
      if ((crc & 0x80)); then crc=$((((crc << 1) ^ 0x07) & 0xFF)); else crc=$(((crc << 1) & 0xFF)); fi
    done
  done
done
words[7]=$crc

# Categories: strings (1 name, 2 group, 3 order), general, FMMU, sync managers, end
# shellcheck disable=SC2046
category 10 3 $(text_bytes "$name") $(text_bytes "$group") $(text_bytes "$order")
category 30 2 0 3 1 0 0x01 0 0 0 0 0 0 0 0 2 0 0x11 0x00 0 0 0 0 0 0 0 0 0 0 0 0 0 0
#            group, image, order, name, -, CoE details (SDO), FoE, EoE, SoE, DS402, SysMan, flags,
#            current (2), group, -, physical ports (0 and 1 MII), memory address (2), reserved (12)
category 40 0x01 0x02 0x03 0xFF                     # FMMUs: outputs, inputs, mailbox state; padding
category 41 $((out_start & 0xFF)) $((out_start >> 8)) $((out_size & 0xFF)) $((out_size >> 8)) 0x26 0 0x01 1 \
            $((in_start & 0xFF)) $((in_start >> 8)) $((in_size & 0xFF)) $((in_size >> 8)) 0x22 0 0x01 2
word 0xFFFF                                         # end of the categories
while [ ${#words[@]} -lt 128 ]; do word 0xFFFF; done

escaped=""
for value in "${words[@]}"; do escaped+=$(printf '\\x%02x\\x%02x' $((value & 0xFF)) $((value >> 8))); done
printf '%b' "$escaped" > "$out"
