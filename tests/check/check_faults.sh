#!/bin/bash
# Each card fault of the simulator fails exactly the check that should catch it, on its card,
# naming the channel, and no other check of any card.
set -u
cli=$1
failed=0
while IFS='|' read -r fault card check detail; do
    out=$("$cli" --simulate=ZEIO,KOVA-H,KOVA-16IO,KOVA-AD --card-fault "$fault" check all --db none 2>&1)
    rc=$?
    fails=$(grep '^card .* FAIL$' <<<"$out")
    if [ "$rc" != 1 ] || [ "$(grep -c . <<<"$fails")" != 1 ] ||
        ! grep -q "^card $card .*  $check  .*$detail" <<<"$fails"; then
        echo "FAILED: '$fault' should fail $check of card $card alone (exit $rc):"
        echo "${fails:-no failed check}"
        failed=$((failed + 1))
    fi
done <<'TABLE'
stuck 0 out 3 1|0|digital.out3_in3|in3 stays high
stuck 1 in 4 0|1|digital.out4_in4|in4 stays low
stuck 2 in 15 1|2|digital.out15_in15|in15 stays high
short 2 5 6|2|digital.shorts|in5-in6 shorted
short 0 1 2|0|digital.shorts|in1-in2 shorted
ad-offset 3 9 300|3|analog.da1_ad9|worst at
ad-offset 0 0 300|0|analog.da0_ad0|worst at
ad-gain 1 2 1.05|1|analog.da0_ad2|worst at 9.5 V
ad-noise 2 1 20|2|analog.da0_ad1.noise|largest spread
ad-noise 0 1 10000|0|analog.da1_ad1.noise|largest spread
serial-dead 0|0|serial.loopback|9600 Bd: 0 of 64 bytes back
modbus-dead 1|1|modbus.holding_register|timed out
can-dead 1|1|can.echo|no echo
TABLE
[ $failed = 0 ] || exit 1
echo "every card fault fails its one check: ok"
