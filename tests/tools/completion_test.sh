#!/usr/bin/env bash
# Drives kovrin-cli's bash completion as bash does (the line and the cursor at its end) and checks what it
# offers.
#
#   tests/tools/completion_test.sh COMPLETION_FILE
set -u
# shellcheck source=/dev/null
source "${1:?usage: completion_test.sh COMPLETION_FILE}"

failures=0
# expect WANTED LINE: the completions offered at the end of LINE, space-separated in order.
expect() {
    local wanted=$1 got
    COMP_LINE=$2
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _kovrin_cli
    got="${COMPREPLY[*]}"
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: '$COMP_LINE' offers '$got', wanted '$wanted'"
        failures=$((failures + 1))
    fi
}

[[ $(complete -p kovrin-cli) == "complete -F _kovrin_cli kovrin-cli" ]] || {
    echo "FAIL: kovrin-cli has no completion"
    failures=$((failures + 1))
}
expect "offers feed request guid watch routes history --service --cacert --feeds --help --version" "kovrin-cli "
expect "--service --cacert --feeds --help --version" "kovrin-cli --"
expect "offers" "kovrin-cli --cacert ca.pem off"
expect "offers" "kovrin-cli --service http://127.0.0.1:8765 of"
expect "offers" "kovrin-cli --service=http://127.0.0.1:8765 of"
expect "--give-amount --get-amount" "kovrin-cli offers btc wmz --g"
expect "table csv json" "kovrin-cli offers \"Bitcoin BTC\" wmz --format "
expect "csv" "kovrin-cli offers btc wmz --format=c"
expect "text json" "kovrin-cli watch btc wmz --format "
expect "--top" "kovrin-cli routes btc wmz --t"
expect "2 3" "kovrin-cli routes btc wmz --legs "
expect "" "kovrin-cli routes btc wmz --top "
expect "text csv json" "kovrin-cli history btc wmz --format "
expect "7d" "kovrin-cli history btc wmz --since 7"
expect "--above" "kovrin-cli watch btc wmz --ab"
expect "" "kovrin-cli watch btc wmz --interval "
expect "raw tsv" "kovrin-cli --feeds /tmp feed --format "
expect "rates" "kovrin-cli feed r"
expect "news names" "kovrin-cli --service http://h feed n"
expect "" "kovrin-cli feed rates n"
expect "--format --feeds" "kovrin-cli feed rates --f"
expect "--include" "kovrin-cli request http://127.0.0.1/ --in"
expect "" "kovrin-cli request http://127.0.0.1/ --timeout "
expect "--help" "kovrin-cli guid -"

folder=$(mktemp -d)
mkdir "$folder/feeds-a" "$folder/feeds-b"
touch "$folder/feeds-file"
expect "$folder/feeds-a $folder/feeds-b" "kovrin-cli --feeds $folder/fe"
expect "$folder/feeds-a $folder/feeds-b" "kovrin-cli offers a b --feeds=$folder/fe"
rm -rf "$folder"

# Currencies come from the names feed the window keeps: its header line, then the body.
export XDG_CACHE_HOME
XDG_CACHE_HOME=$(mktemp -d)
mkdir "$XDG_CACHE_HOME/kovrin"
printf 'kovrin-feed 1 names 1 0 0\nbtc;Bitcoin BTC;x\r\nsberbank rub;Сбербанк RUB;x\ntinkoff rub;Тинькофф RUB;x\n' \
    >"$XDG_CACHE_HOME/kovrin/names.feed"
expect 'Bitcoin\ BTC' "kovrin-cli offers bi"
expect "Сбербанк RUB" "kovrin-cli watch --interval 5 btc \"сбер"
expect "Тинькофф RUB" "kovrin-cli watch \"Bitcoin BTC\" \"Тинькофф R"
expect 'Bitcoin\ BTC' "kovrin-cli offers --format csv Bitcoin\\ B"
expect "" "kovrin-cli offers btc wmz x"
expect "--give-amount --get-amount" "kovrin-cli offers btc \"Сбербанк RUB\" --g"
rm -rf "$XDG_CACHE_HOME"

if [[ $failures -eq 0 ]]; then
    echo "completion: all cases passed"
fi
exit $((failures > 0))
