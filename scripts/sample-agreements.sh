#!/usr/bin/env bash
# Adds maintenance agreements to a sample data folder through the data tool's import, for pictures and trials:
# the first COUNT accounts each get one, with the catalogue's first services, the technicians in turn and the
# intervals in turn (every month, every 3 months, spring and autumn, every 2 weeks, every year).
#   bash scripts/sample-agreements.sh DISPATCH_DATA ROOT COUNT START(M/d/yyyy)
set -euo pipefail
tool="$1" root="$2" count="$3" start="$4"
unquote() { sed -e 's/^"=""//' -e 's/"""$//' -e 's/^"//' -e 's/"$//'; }
mapfile -t accounts < <("$tool" export-csv "$root/CustomerData.txt" | tail -n +2 | cut -d, -f1 | unquote | head -n "$count")
mapfile -t services < <("$tool" export-csv "$root/Services.txt" | tail -n +2 | cut -d, -f1 | unquote | head -n 6)
mapfile -t technicians < <("$tool" export-csv "$root/AssignmentData.txt" | tail -n +2 | cut -d, -f2 | unquote)
intervals=("Months,1," "Months,3," "Chosen months,1,Apr Oct" "Weeks,2," "Months,12,")
weekdays=("" "Tuesday" "" "Thursday" "Monday")
slots=("08:00-10:00" "10:00" "01:00-03:00" "None" "09:00")
prices=('$89.00' '$129.50' '$149.99' '$45.00' '$210.00')
csv="$(mktemp /tmp/agreements.XXXXXX.csv)"
trap 'rm -f "$csv"' EXIT
echo "AcctNo,Services,Interval,Every,Months,Technician,Weekday,Slot,Start,End,Price,Note" > "$csv"
month="${start%%/*}" year="${start##*/}"
for i in "${!accounts[@]}"; do
    k=$((i % 5))
    service="${services[$((i % ${#services[@]}))]}"
    [ $((i % 3)) -eq 0 ] && service="$service;${services[$(((i + 1) % ${#services[@]}))]}"
    technician=""
    [ $((i % 4)) -ne 3 ] && technician="${technicians[$((i % ${#technicians[@]}))]}"
    # A few agreements end soon, to be renewed.
    end=""
    [ $((i % 7)) -eq 0 ] && end="$(( (month + i % 2) % 12 + 1 ))/1/$(( year + (month + i % 2) / 12 ))"
    printf '"%s","%s",%s,"%s","%s",%s,"%s","%s","%s",Filters in the garage\n' \
        "${accounts[$i]}" "$service" "${intervals[$k]}" "$technician" "${weekdays[$k]}" "${slots[$k]}" \
        "$month/$(( i % 28 + 1 ))/$year" "$end" "${prices[$k]}" >> "$csv"
done
"$tool" import --root "$root" agreements "$csv"
