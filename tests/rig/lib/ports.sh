# shellcheck shell=bash
# Probes of the rig's ports: a server's greeting, plain or through TLS, or a refused connection,
# and polls until every port given answers or refuses; sourced by rig.sh, which sets host (the
# default address), tls_host and tls_dir (the name and CA a TLS check expects) and
# startup_seconds. Every probe and poll is bounded in time.

# Milliseconds of the wall clock, for deadlines.
now_ms() {
    local t=${EPOCHREALTIME/./}
    echo $((t / 1000))
}

# Connects to a port, reads the greeting and says goodbye; succeeds when the greeting starts
# with the expected text. Bounded by a few seconds even when the server accepts but stays silent.
answers() {
    local address=$1 port=$2 expect=$3 goodbye=$4
    timeout 3 bash -c '
        exec 3<>"/dev/tcp/$0/$1" || exit 1
        IFS= read -r -t 2 line <&3 || exit 1
        printf "%s\r\n" "$3" >&3
        case $line in "$2"*) exit 0 ;; esac
        exit 1' "$address" "$port" "$expect" "$goodbye" 2>/dev/null
}

# The same for a port that speaks TLS from the first byte: openssl s_client makes the TLS
# connection, checking the certificate against the rig's CA and name, and the greeting is read
# from it. s_client runs as a coprocess so that the goodbye is sent only after the greeting.
answers_tls() {
    local address=$1 port=$2 expect=$3 goodbye=$4
    timeout 5 bash -c '
        coproc tls {
            exec openssl s_client -connect "$0:$1" -servername "$4" -verify_hostname "$4" \
                -CAfile "$5" -verify_return_error -quiet 2>/dev/null
        }
        status=1
        if IFS= read -r -t 3 line <&"${tls[0]}"; then
            printf "%s\r\n" "$3" >&"${tls[1]}"
            case $line in "$2"*) status=0 ;; esac
            IFS= read -r -t 1 _ <&"${tls[0]}"
        fi
        kill "$tls_PID" 2>/dev/null
        exit $status' "$address" "$port" "$expect" "$goodbye" "$tls_host" "$tls_dir/ca.pem" \
        2>/dev/null
}

# Succeeds when a connection to the port (on the given address) is refused.
refuses() {
    ! timeout 3 bash -c 'exec 3<>"/dev/tcp/$0/$1"' "$1" "$2" 2>/dev/null
}

# One entry of wait_answers, "port:greeting:goodbye[:address[:tls]]": the address defaults to the
# rig's host, and "tls" makes the check go through TLS. Sets where to the address and port.
answers_entry() {
    local port expect goodbye address mode
    IFS=: read -r port expect goodbye address mode <<<"$1"
    where=${address:-$host}:$port
    if [ "$mode" = tls ]; then
        answers_tls "${address:-$host}" "$port" "$expect" "$goodbye"
    else
        answers "${address:-$host}" "$port" "$expect" "$goodbye"
    fi
}

# One entry of wait_refused, "port[:address]", the address defaulting to the rig's host. Sets
# where to the address and port.
refuses_entry() {
    local port address
    IFS=: read -r port address <<<"$1"
    where=${address:-$host}:$port
    refuses "${address:-$host}" "$port"
}

# poll SECONDS CHECK ENTRY...: runs CHECK on each entry not yet through, every 50 ms, until every
# entry is or SECONDS have passed; pending then names the addresses and ports left.
poll() {
    local seconds=$1 check=$2
    shift 2
    local deadline=$(($(now_ms) + seconds * 1000))
    local left=("$@") still round entry where
    for round in $(seq $((seconds * 20))); do
        still=()
        pending=""
        for entry in "${left[@]}"; do
            $check "$entry" || { still+=("$entry"); pending="$pending $where"; }
        done
        [ ${#still[@]} -eq 0 ] && return 0
        left=("${still[@]}")
        [ "$(now_ms)" -ge "$deadline" ] && break
        sleep 0.05
    done
    return 1
}

# Polls, for at most startup_seconds, until every port given answers (see answers_entry).
wait_answers() {
    poll "$startup_seconds" answers_entry "$@" && return 0
    echo "rig: no greeting within ${startup_seconds}s on port(s)$pending" >&2
    return 1
}

# Polls, for at most 15 s, until every port given refuses connections (see refuses_entry).
wait_refused() {
    poll 15 refuses_entry "$@" && return 0
    echo "rig: port(s)$pending still accept connections" >&2
    return 1
}
