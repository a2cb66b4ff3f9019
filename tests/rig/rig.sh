#!/usr/bin/env bash
# The mail test rig: a private Postfix and a private Dovecot, each with its own configuration,
# queue, state and log under one folder, delivering into Maildirs that the tests read.
#   rig.sh start DIR          write the configuration into DIR, start both servers, wait until
#                             they answer, write DIR/rig.env
#   rig.sh stop DIR           stop both servers and end anything they left behind
#   rig.sh stop-smtp DIR      stop Postfix only (all its ports then refuse connections)
#   rig.sh start-smtp DIR     start Postfix again with the configuration written by start
#   rig.sh restart-smtp DIR   stop-smtp, then start-smtp
# It runs only inside the private network and mount namespaces of netns-run.sh, where the only
# network interface is the loopback, so the servers can never take the machine's real ports 25,
# 110 and 587, and where the servers reach DIR through a mount of their own (see prepare_dir). It
# never reads or writes the machine's own Postfix or Dovecot configuration, and never starts
# their system services. Every wait is bounded in time.
#
# Ports: 25 takes mail from loopback without authentication for the rig's domain and refuses
# unknown users there at RCPT (550 5.1.1); 587 (submission) requires SMTP AUTH with CRAM-MD5,
# LOGIN or PLAIN, checked by Dovecot, and refuses every recipient before it; 110 is Dovecot's POP3
# with USER/PASS and APOP. Nothing is delivered outside the rig's domain: such mail bounces.
#
# TLS: start makes a fresh test PKI in DIR/tls (ca.pem is the CA a client is to trust). 587, 2587
# and 3587 offer STARTTLS but keep offering AUTH before it, so clients without TLS still work;
# 465 speaks TLS from the first byte; 25 and 8587 (submission with AUTH like 587) have no TLS.
# 9587 is 8587 with a server that takes 3 s to accept the DATA command, as a busy one may: the
# demo shows the Main window while a send is under way.
# 4587, 5587 and 6587 offer STARTTLS with a certificate a client must refuse: one for another
# name, an expired one, and one from a CA that is not in ca.pem; each logs under its own
# syslog_name (postfix/badname, postfix/expired, postfix/unknownca), so a test can prove from
# the log that no AUTH reached them. POP3 offers STLS on 127.0.0.1:110; the same port on
# 127.0.0.2, .3 and .4 presents those three bad certificates, and 127.0.0.5 offers no STLS.
# USER/PASS and APOP work without TLS everywhere.
#
# A dual-stack name with a broken IPv6 path: dual.velmor-rig.test resolves (through a hosts file
# mounted over /etc/hosts in the namespace's own mount namespace) first to ::1, where the SMTP,
# submission and POP3 ports listen but never answer (their accept queues are kept full), then to
# 127.0.0.1, where the servers are. The rig's certificate is valid for the name.
set -u
PATH=/usr/sbin:/usr/bin:/sbin:/bin
# What the rig writes is read by the server accounts, whatever the caller's umask.
umask 022

usage() {
    echo "usage: rig.sh start|stop|start-smtp|stop-smtp|restart-smtp DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
action=$1
case $action in
start | stop | start-smtp | stop-smtp | restart-smtp) ;;
*) usage ;;
esac

# The accounts and addresses of the rig. Values hold no blanks or quotes, so rig.env stays
# trivially parseable and sourceable.
domain=velmor-rig.test
mail_host=mx.$domain
user=sender
password=Sender-pass-4271
recipient_user=recipient
recipient_password=Recipient-pass-9356
unknown_user=nobody-here
# An account whose password holds double-byte characters, as a Japanese user's may: "秘密のパス"
# in code page 932 and "42". rig.env gives it in hexadecimal, since the bytes are not text there.
kanji_user=kanji
kanji_password_hex=94e996a782cc837083583432
host=127.0.0.1
smtp_port=25
submission_port=587
# Two more submission ports, each offering a single mechanism, so that a client that prefers
# CRAM-MD5 can be made to use LOGIN or PLAIN.
login_only_port=2587
plain_only_port=3587
pop3_port=110
# TLS services (see the top of this file).
smtps_port=465
plain_submission_port=8587
slow_submission_port=9587
badname_port=4587
expired_port=5587
unknownca_port=6587
tls_host=localhost
pop3_badname_host=127.0.0.2
pop3_expired_host=127.0.0.3
pop3_unknownca_host=127.0.0.4
pop3_plain_host=127.0.0.5
dual_host=dual.$domain
silent_address=::1
silent_ports="$smtp_port $submission_port $plain_submission_port $pop3_port"
# Every port of each server, as wait_refused takes them.
smtp_ports="$smtp_port $submission_port $login_only_port $plain_only_port $smtps_port
    $plain_submission_port $slow_submission_port $badname_port $expired_port $unknownca_port"
pop3_ports="$pop3_port $pop3_port:$pop3_badname_host $pop3_port:$pop3_expired_host
    $pop3_port:$pop3_unknownca_host $pop3_port:$pop3_plain_host"
# Mail files belong to an unprivileged account: Postfix's virtual delivery refuses low uids and
# Dovecot refuses to run mail processes as root.
mail_owner=nobody
mail_group=nogroup
mail_uid=$(id -u "$mail_owner")
mail_gid=$(getent group "$mail_group" | cut -d: -f3)
startup_seconds=30

fail() {
    echo "rig: $*" >&2
    exit 1
}

# The rig's folder DIR holds all of it (configuration, queue, state, Maildirs, logs, rig.env) and
# stays in place after the rig ends, for a look at its logs. The server accounts need not reach
# DIR, which may lie below a folder only its owner may enter (a clone under /root): they use
# DIR's view, DIR bound onto a folder of a small tmpfs mounted at view_base. Both mounts exist
# only inside the private mount namespace that netns-run.sh gives, and vanish with it; on the
# machine itself nothing changes but view_base, one empty root-owned folder kept as the mount
# point, and no permission of the user's folders is touched.
view_base=/run/velmor-rig

# Refuses to mount anything outside the private mount namespace of netns-run.sh, which names it
# in VELMOR_PRIVATE_MOUNTS (process 1's namespace cannot be read in every sandbox).
check_mount_namespace() {
    if [ -z "${VELMOR_PRIVATE_MOUNTS:-}" ] ||
        [ "$(readlink /proc/self/ns/mnt)" != "$VELMOR_PRIVATE_MOUNTS" ]; then
        echo "rig: refusing to mount the rig's view outside a private mount namespace." >&2
        echo "rig: run the tests inside tests/rig/netns-run.sh" >&2
        exit 3
    fi
}

# The mount point on the machine and the tmpfs over it in this namespace, once per namespace.
mount_view_base() {
    if [ ! -e "$view_base" ]; then
        mkdir -m 755 "$view_base" || fail "cannot create the mount point $view_base"
    fi
    if [ -L "$view_base" ] || [ ! -d "$view_base" ] || [ "$(stat -c %u "$view_base")" != 0 ]; then
        fail "$view_base must be a folder that belongs to root"
    fi
    mountpoint -q "$view_base" ||
        mount -t tmpfs -o mode=755,size=1m velmor-rig "$view_base" ||
        fail "cannot mount a tmpfs at $view_base"
}

# Binds DIR onto its own folder below view_base (named by a checksum of its path, so that two
# rigs in one namespace keep apart) and sets view to it; every server path is below the view.
mount_view() {
    mount_view_base
    view=$view_base/$(printf '%s' "$dir" | cksum | cut -d ' ' -f 1)
    mkdir -p "$view" || fail "cannot create $view"
    mountpoint -q "$view" || mount --bind "$dir" "$view" || fail "cannot bind $dir onto $view"
}

prepare_dir() {
    mkdir -p "$1" || fail "cannot create $1"
    dir=$(cd "$1" && pwd -P) || fail "cannot enter $1"
    [ "$dir" != / ] || fail "refusing to use / as the rig's folder"
    case $dir/ in
    "$view_base"/*) fail "the rig's folder may not lie below $view_base" ;;
    esac
    # The rig's own folder, the root of its view: the server accounts enter it.
    chmod 755 "$dir" || fail "cannot make $dir searchable"
    check_mount_namespace
    mount_view
    local path=$view
    local depth
    for depth in $(seq 64); do
        [ "$path" = / ] && break
        if [ "$(( 0$(stat -c %a "$path") & 1 ))" -eq 0 ]; then
            fail "$path is not searchable by other users; the server accounts need to reach $view"
        fi
        path=$(dirname "$path")
    done
    set_paths
}

# Where everything of the rig lives, as the servers and the tests see it: below the view.
set_paths() {
    pf_conf=$view/postfix
    pf_queue=$view/postfix-queue
    pf_data=$view/postfix-data
    dc_conf_dir=$view/dovecot
    dc_conf=$dc_conf_dir/dovecot.conf
    dc_base=$dc_conf_dir/run
    dc_state=$dc_conf_dir/state
    mail_base=$view/mail
    log_dir=$view/log
    postfix_log=$log_dir/postfix.log
    dovecot_log=$log_dir/dovecot.log
    env_file=$view/rig.env
    tls_dir=$view/tls
}

# Refuses to go on when any network interface other than the loopback exists: then this is the
# machine's network, not a private namespace. /proc/self/net/dev lists the interfaces of the
# namespace this process is in (unlike /sys/class/net, which shows that of the mounted sysfs).
check_namespace() {
    local others
    others=$(sed -n '3,$s/^ *\([^:]*\):.*/\1/p' /proc/self/net/dev | grep -v '^lo$' |
        tr '\n' ' ' | sed 's/ $//')
    if [ -n "$others" ]; then
        echo "rig: refusing to run: network interfaces other than lo exist ($others)." >&2
        echo "rig: run the tests inside a private namespace: tests/rig/netns-run.sh ctest ..." >&2
        exit 3
    fi
    if ! ip -o link show dev lo 2>/dev/null | grep -q '<[^>]*\bUP\b'; then
        echo "rig: the loopback interface is down; run inside tests/rig/netns-run.sh" >&2
        exit 3
    fi
}

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

# Polls, for at most startup_seconds, until every "port:greeting:goodbye[:address[:tls]]" given
# answers; the address defaults to the rig's host, and "tls" makes the check go through TLS.
wait_answers() {
    local deadline=$(($(now_ms) + startup_seconds * 1000))
    local round entry pending port expect goodbye address mode check
    for round in $(seq 3000); do
        pending=""
        for entry in "$@"; do
            IFS=: read -r port expect goodbye address mode <<<"$entry"
            check=answers
            [ "$mode" = tls ] && check=answers_tls
            $check "${address:-$host}" "$port" "$expect" "$goodbye" ||
                pending="$pending ${address:-$host}:$port"
        done
        [ -z "$pending" ] && return 0
        [ "$(now_ms)" -ge "$deadline" ] && break
        sleep 0.05
    done
    echo "rig: no greeting within ${startup_seconds}s on port(s)$pending" >&2
    return 1
}

# Polls, for at most 15 s, until every "port[:address]" given refuses connections; the address
# defaults to the rig's host.
wait_refused() {
    local deadline=$(($(now_ms) + 15000))
    local round entry port address pending
    for round in $(seq 1500); do
        pending=""
        for entry in "$@"; do
            IFS=: read -r port address <<<"$entry"
            refuses "${address:-$host}" "$port" || pending="$pending ${address:-$host}:$port"
        done
        [ -z "$pending" ] && return 0
        [ "$(now_ms)" -ge "$deadline" ] && break
        sleep 0.05
    done
    echo "rig: port(s)$pending still accept connections" >&2
    return 1
}

# Reads the state and session id of a process from /proc/PID/stat (fields 3 and 6, after the
# command name, which may hold blanks and parentheses) into proc_state and proc_session, both
# empty when the process is gone. Only shell builtins: the process table is scanned often.
read_proc() {
    proc_state="" proc_session=""
    local stat=""
    { IFS= read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 0
    stat=${stat##*) }
    local _ppid _pgrp
    read -r proc_state _ppid _pgrp proc_session _ <<<"$stat"
}

# Succeeds while a process runs. A zombie counts as ended: a daemon's master process is reaped by
# whatever adopted it, which may take its time.
running() {
    read_proc "$1"
    [ -n "$proc_state" ] && [ "$proc_state" != Z ]
}

# Running processes of the session whose leader had the given pid: both servers' master
# processes start a session of their own, and every server process they start stays in it.
session_members() {
    local entry pid
    for entry in /proc/[0-9]*; do
        pid=${entry#/proc/}
        read_proc "$pid"
        [ "$proc_session" = "$1" ] && [ "$proc_state" != Z ] && echo "$pid"
    done
}

# Ends every process left in the session recorded in the given file (SIGTERM, then SIGKILL after
# a bounded wait), then removes the file.
end_session() {
    local file=$1 session pids round
    [ -r "$file" ] || return 0
    session=$(cat "$file")
    case $session in '' | *[!0-9]*) rm -f "$file"; return 0 ;; esac
    pids=$(session_members "$session")
    if [ -n "$pids" ]; then
        echo "rig: ending leftover server processes:" $pids >&2
        # shellcheck disable=SC2086
        kill -TERM $pids 2>/dev/null
        for round in $(seq 50); do
            pids=$(session_members "$session")
            [ -z "$pids" ] && break
            sleep 0.1
        done
        # shellcheck disable=SC2086
        [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
        for round in $(seq 20); do
            [ -z "$(session_members "$session")" ] && break
            sleep 0.1
        done
    fi
    rm -f "$file"
}

# Waits, at most the given number of 20 ms steps, for a process to end.
wait_gone() {
    local pid=$1 steps=$2 round
    for round in $(seq "$steps"); do
        running "$pid" || return 0
        sleep 0.02
    done
    ! running "$pid"
}

# Records the session of a freshly started master process (its pid is in the given file), so
# that stop can find every process of that server.
record_session() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$1")
    [ -n "$pid" ] || return 0
    read_proc "$pid"
    [ -n "$proc_session" ] && echo "$proc_session" >"$2"
}

# The rig's test PKI in DIR/tls, made afresh at every start with the openssl command line (RSA
# 2048, SHA-256). ca.pem is the CA a client trusts; every certificate below is issued by it
# except unknown-ca.pem, issued by a second CA that appears nowhere else:
#   server.pem       the rig's own names (localhost, mx.velmor-rig.test, dual.velmor-rig.test,
#                    127.0.0.1, ::1)
#   other-name.pem   only other.velmor-rig.test, so it matches none of the names a client uses
#   expired.pem      the rig's names, but valid only during 2020
#   unknown-ca.pem   the rig's names, valid now, from the untrusted CA
# Certificates are issued with "openssl ca", which can set any validity period; its database
# and the CA keys stay in DIR/tls/ca-db and DIR/tls/*-ca.key.
make_pki() {
    local ca_db=$tls_dir/ca-db
    mkdir -p "$ca_db/trusted/new" "$ca_db/untrusted/new" || return 1
    chmod 755 "$tls_dir" || return 1
    local name
    for name in trusted untrusted; do
        : >"$ca_db/$name/index.txt" && echo 01 >"$ca_db/$name/serial" || return 1
    done
    # The validity of every certificate that is meant to be valid: from a day ago (so a clock a
    # little behind does not matter) for 30 days.
    local from until
    from=$(date -u -d '1 day ago' +%Y%m%d%H%M%SZ) || return 1
    until=$(date -u -d '29 days' +%Y%m%d%H%M%SZ) || return 1
    cat >"$tls_dir/openssl.cnf" <<EOF
# The two test CAs of the mail test rig, used with "openssl ca -config $tls_dir/openssl.cnf".
[ ca ]
default_ca = trusted

[ trusted ]
database = $ca_db/trusted/index.txt
serial = $ca_db/trusted/serial
new_certs_dir = $ca_db/trusted/new
certificate = $tls_dir/ca.pem
private_key = $tls_dir/ca.key
default_md = sha256
policy = any_name
unique_subject = no
email_in_dn = no

[ untrusted ]
database = $ca_db/untrusted/index.txt
serial = $ca_db/untrusted/serial
new_certs_dir = $ca_db/untrusted/new
certificate = $tls_dir/untrusted-ca.pem
private_key = $tls_dir/untrusted-ca.key
default_md = sha256
policy = any_name
unique_subject = no
email_in_dn = no

[ any_name ]
commonName = supplied

[ ca_cert ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[ rig_names ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:$tls_host, DNS:$mail_host, DNS:$dual_host, IP:127.0.0.1, IP:::1

[ other_name ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:other.$domain
EOF
    # issue CA NAME CN EXTENSIONS START END [selfsign]: a new key NAME.key and its certificate
    # NAME.pem, issued by the CA section given (or by the new key itself).
    issue() {
        local ca=$1 name=$2 cn=$3 extensions=$4 start=$5 end=$6 self=${7:-}
        openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 \
            -out "$tls_dir/$name.key" || return 1
        openssl req -new -key "$tls_dir/$name.key" -subj "/CN=$cn" \
            -out "$tls_dir/$name.csr" || return 1
        openssl ca -config "$tls_dir/openssl.cnf" -name "$ca" -batch -notext \
            ${self:+-selfsign -keyfile "$tls_dir/$name.key"} -extensions "$extensions" \
            -startdate "$start" -enddate "$end" -in "$tls_dir/$name.csr" \
            -out "$tls_dir/$name.pem" || return 1
        rm -f "$tls_dir/$name.csr"
    }
    {
        issue trusted ca "Velmor Mail Rig Test CA" ca_cert "$from" "$until" selfsign &&
            issue untrusted untrusted-ca "Velmor Mail Rig Untrusted CA" ca_cert \
                "$from" "$until" selfsign &&
            issue trusted server "$tls_host" rig_names "$from" "$until" &&
            issue trusted other-name "other.$domain" other_name "$from" "$until" &&
            issue trusted expired "$tls_host" rig_names 20200101000000Z 20210101000000Z &&
            issue untrusted unknown-ca "$tls_host" rig_names "$from" "$until"
    } >>"$log_dir/tls.log" 2>&1 || return 1
    # The servers' unprivileged processes may read certificates and keys (throw-away keys of a
    # rig that exists only inside a private namespace); the CA keys stay private to root.
    chmod 644 "$tls_dir"/*.pem "$tls_dir"/server.key "$tls_dir"/other-name.key \
        "$tls_dir"/expired.key "$tls_dir"/unknown-ca.key || return 1
    chmod 600 "$tls_dir"/ca.key "$tls_dir"/untrusted-ca.key
}

# One submission service of master.cf, under a log name of its own: SMTP AUTH enabled and
# required for every recipient, TLS at the level given, and any further settings given.
submission_service() {
    local port=$1 name=$2 tls=$3
    shift 3
    echo "$host:$port inet n      -       n       -       -       smtpd"
    printf '  -o %s\n' "syslog_name=postfix/$name" "smtpd_tls_security_level=$tls" \
        smtpd_sasl_auth_enable=yes "$@" smtpd_client_restrictions= smtpd_helo_restrictions= \
        smtpd_sender_restrictions= smtpd_relay_restrictions=permit_sasl_authenticated,reject \
        smtpd_recipient_restrictions=permit_sasl_authenticated,reject
}

write_postfix_config() {
    # postfix start creates the queue's subfolders and the data folder with the owners and modes
    # it wants; the configuration and queue folders themselves belong to root.
    mkdir -p "$pf_conf" "$pf_queue" "$log_dir" || return 1
    chmod 755 "$pf_conf" "$pf_queue" || return 1
    # The address table: a value ending in "/" is a Maildir below virtual_mailbox_base. texthash
    # tables are read as they are, so no postmap run is needed.
    cat >"$pf_conf/vmailbox" <<EOF
$user@$domain $user/
$recipient_user@$domain $recipient_user/
postmaster@$domain postmaster/
EOF
    cat >"$pf_conf/main.cf" <<EOF
# Private Postfix instance of the mail test rig; started with "postfix -c $pf_conf".
compatibility_level = 3.6
queue_directory = $pf_queue
data_directory = $pf_data
mail_owner = postfix
setgid_group = postdrop

myhostname = $mail_host
mydomain = $domain
myorigin = \$mydomain
# Only loopback exists in the rig's namespace; IPv4 only keeps the listeners simple.
inet_interfaces = $host
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
# No name service in the namespace: do not look up client names.
smtpd_peername_lookup = no
smtpd_banner = \$myhostname ESMTP mail test rig

# No local(8) delivery and no alias database: every address of the rig's domain is a virtual
# mailbox, and mail for an address missing from the table is refused at RCPT with 550 5.1.1.
mydestination =
local_recipient_maps =
alias_maps =
alias_database =
local_transport = error:5.1.1 no local delivery in the mail test rig
virtual_mailbox_domains = $domain
virtual_mailbox_base = $mail_base
virtual_mailbox_maps = texthash:$pf_conf/vmailbox
virtual_uid_maps = static:$mail_uid
virtual_gid_maps = static:$mail_gid
smtpd_reject_unlisted_recipient = yes
# Nothing leaves the rig: mail for other domains bounces at once instead of waiting for DNS.
default_transport = error:5.7.1 the mail test rig delivers no mail outside $domain
relay_transport = error:5.7.1 the mail test rig delivers no mail outside $domain

smtpd_relay_restrictions = permit_mynetworks, permit_sasl_authenticated, reject_unauth_destination
# SMTP AUTH through Dovecot's auth socket; only the submission service (master.cf) enables it.
smtpd_sasl_type = dovecot
smtpd_sasl_path = $dc_base/auth-postfix
smtpd_sasl_auth_enable = no
smtpd_sasl_security_options = noanonymous
# TLS: off unless a service in master.cf turns it on, so port 25 offers no STARTTLS. Where it is
# on, AUTH stays offered before STARTTLS too. Level 1 logs every TLS connection made
# ("Anonymous TLS connection established from ..."), so tests can see that TLS was used.
smtpd_tls_security_level = none
smtpd_tls_auth_only = no
smtpd_tls_cert_file = $tls_dir/server.pem
smtpd_tls_key_file = $tls_dir/server.key
smtpd_tls_protocols = >=TLSv1.2
smtpd_tls_mandatory_protocols = >=TLSv1.2
smtpd_tls_loglevel = 1
smtp_tls_security_level = none
biff = no

# There is no syslog: postlogd (see master.cf) writes this file.
maillog_file = $postfix_log
maillog_file_prefixes = $log_dir
EOF
    # Every service runs without chroot, so the absolute paths above work in all of them. There
    # is no smtp/lmtp client: the transports above never connect anywhere. The services with TLS
    # (see the top of this file) each log under a syslog_name of their own; tlsmgr(8) serves
    # their TLS random seed.
    {
        echo "# service     type  private unpriv  chroot  wakeup  maxproc command + args"
        echo "$host:$smtp_port inet n       -       n       -       -       smtpd"
        submission_service "$submission_port" submission may
        submission_service "$login_only_port" submission-login may smtpd_sasl_mechanism_filter=login
        submission_service "$plain_only_port" submission-plain may smtpd_sasl_mechanism_filter=plain
        submission_service "$smtps_port" smtps encrypt smtpd_tls_wrappermode=yes
        submission_service "$plain_submission_port" plain-submission none
        submission_service "$slow_submission_port" slow-submission none \
            smtpd_data_restrictions=sleep,3
        submission_service "$badname_port" badname may \
            "smtpd_tls_cert_file=$tls_dir/other-name.pem" "smtpd_tls_key_file=$tls_dir/other-name.key"
        submission_service "$expired_port" expired may \
            "smtpd_tls_cert_file=$tls_dir/expired.pem" "smtpd_tls_key_file=$tls_dir/expired.key"
        submission_service "$unknownca_port" unknownca may \
            "smtpd_tls_cert_file=$tls_dir/unknown-ca.pem" "smtpd_tls_key_file=$tls_dir/unknown-ca.key"
        cat <<EOF
pickup        unix  n       -       n       60      1       pickup
cleanup       unix  n       -       n       -       0       cleanup
qmgr          unix  n       -       n       300     1       qmgr
rewrite       unix  -       -       n       -       -       trivial-rewrite
bounce        unix  -       -       n       -       0       bounce
defer         unix  -       -       n       -       0       bounce
trace         unix  -       -       n       -       0       bounce
verify        unix  -       -       n       -       1       verify
flush         unix  n       -       n       1000?   0       flush
proxymap      unix  -       -       n       -       -       proxymap
proxywrite    unix  -       -       n       -       1       proxymap
showq         unix  n       -       n       -       -       showq
error         unix  -       -       n       -       -       error
retry         unix  -       -       n       -       -       error
discard       unix  -       -       n       -       -       discard
virtual       unix  -       n       n       -       -       virtual
anvil         unix  -       -       n       -       1       anvil
scache        unix  -       -       n       -       1       scache
postlog       unix-dgram n  -       n       -       1       postlogd
tlsmgr        unix  -       -       n       1000?   1       tlsmgr
EOF
    } >"$pf_conf/master.cf"
}

write_dovecot_config() {
    mkdir -p "$dc_conf_dir" "$dc_base" "$dc_state" "$log_dir" || return 1
    chmod 755 "$dc_conf_dir" "$dc_base" || return 1
    # Plain stored passwords: APOP and CRAM-MD5 need the password itself on the server side.
    {
        printf '%s:{PLAIN}%s\n' "$user" "$password" "$recipient_user" "$recipient_password"
        printf '%s:{PLAIN}' "$kanji_user"
        printf "$(sed 's/../\\x&/g' <<<"$kanji_password_hex")"
        printf '\n'
    } >"$dc_conf_dir/users" || return 1
    # The auth process runs as the dovecot account and reads this file.
    chgrp dovecot "$dc_conf_dir/users" && chmod 640 "$dc_conf_dir/users" || return 1
    cat >"$dc_conf" <<EOF
# Private Dovecot instance of the mail test rig; started with "dovecot -c $dc_conf".
base_dir = $dc_base
state_dir = $dc_state
protocols = pop3
# The same POP3 port on five loopback addresses, each with its own TLS (see the local blocks
# below): 127.0.0.1 the rig's certificate, .2 .3 .4 bad ones, .5 no TLS at all.
listen = $host, $pop3_badname_host, $pop3_expired_host, $pop3_unknownca_host, $pop3_plain_host
login_greeting = POP3 mail test rig ready.
log_path = $dovecot_log
# STLS is offered, but loopback only, inside a private namespace: plain logins without TLS stay
# allowed (USER/PASS and APOP).
ssl = yes
ssl_cert = <$tls_dir/server.pem
ssl_key = <$tls_dir/server.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = no
# Every login and every connection that ends without one is logged with the address it came to
# (lip), e.g. "Login: user=<sender>, method=PLAIN, rip=..., lip=127.0.0.1, mpid=..., TLS, ..."
# and "Disconnected: ... (no auth attempts in 0 secs): user=<>, rip=..., lip=127.0.0.2, TLS
# handshaking: ...", so a test can tell on which address a client logged in or gave up.
login_log_format_elements = user=<%u> method=%m rip=%r lip=%l mpid=%e %c session=<%{session}>
# APOP makes the POP3 greeting carry its timestamp; the SMTP server offers the other three.
auth_mechanisms = plain login cram-md5 apop
# Failed logins are logged, and every auth request with its mechanism and service (passwords
# stay hidden), so tests can see which AUTH reached the server, from POP3 or from Postfix.
auth_verbose = yes
auth_debug = yes
# Tests try wrong passwords on purpose; they get their answer without the usual delay, and the
# anvil process keeps no growing penalty for the loopback address (a listener of mode 0 is the
# documented way to turn that tracking off), so a later right login is not slowed down either.
auth_failure_delay = 0
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}

# A login name may carry the domain or not; both look up the same entry.
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%n $dc_conf_dir/users
}
userdb {
  driver = static
  args = uid=$mail_uid gid=$mail_gid home=$mail_base/%n
}
mail_location = maildir:$mail_base/%n
first_valid_uid = $mail_uid

service pop3-login {
  inet_listener pop3 {
    address = $host, $pop3_badname_host, $pop3_expired_host, $pop3_unknownca_host, $pop3_plain_host
    port = $pop3_port
  }
  inet_listener pop3s {
    port = 0
  }
}
# The certificates a client must refuse, and a POP3 server without STLS.
local $pop3_badname_host {
  ssl_cert = <$tls_dir/other-name.pem
  ssl_key = <$tls_dir/other-name.key
}
local $pop3_expired_host {
  ssl_cert = <$tls_dir/expired.pem
  ssl_key = <$tls_dir/expired.key
}
local $pop3_unknownca_host {
  ssl_cert = <$tls_dir/unknown-ca.pem
  ssl_key = <$tls_dir/unknown-ca.key
}
local $pop3_plain_host {
  ssl = no
}
# Postfix's SMTP server asks this socket to check SMTP AUTH.
service auth {
  unix_listener auth-postfix {
    mode = 0660
    user = postfix
    group = postfix
  }
}
EOF
}

# The Maildirs, made in advance so that each new/ exists before the first delivery.
make_maildirs() {
    install -d -o "$mail_owner" -g "$mail_group" -m 755 "$mail_base" || return 1
    local box sub
    for box in "$user" "$recipient_user" postmaster; do
        for sub in "" /new /cur /tmp; do
            install -d -o "$mail_owner" -g "$mail_group" -m 700 "$mail_base/$box$sub" || return 1
        done
    done
}

write_env() {
    cat >"$env_file.tmp" <<EOF
RIG_DIR=$view
RIG_HOST=$host
RIG_SMTP_PORT=$smtp_port
RIG_SUBMISSION_PORT=$submission_port
RIG_LOGIN_ONLY_PORT=$login_only_port
RIG_PLAIN_ONLY_PORT=$plain_only_port
RIG_POP3_PORT=$pop3_port
RIG_DOMAIN=$domain
RIG_USER=$user
RIG_PASSWORD=$password
RIG_ADDRESS=$user@$domain
RIG_USER_MAILDIR=$mail_base/$user
RIG_RECIPIENT=$recipient_user@$domain
RIG_RECIPIENT_USER=$recipient_user
RIG_RECIPIENT_PASSWORD=$recipient_password
RIG_RECIPIENT_MAILDIR=$mail_base/$recipient_user
RIG_UNKNOWN=$unknown_user@$domain
RIG_KANJI_USER=$kanji_user
RIG_KANJI_PASSWORD_HEX=$kanji_password_hex
RIG_POSTFIX_LOG=$postfix_log
RIG_DOVECOT_LOG=$dovecot_log
RIG_CA_FILE=$tls_dir/ca.pem
RIG_TLS_HOST=$tls_host
RIG_SMTPS_PORT=$smtps_port
RIG_PLAIN_SUBMISSION_PORT=$plain_submission_port
RIG_SLOW_SUBMISSION_PORT=$slow_submission_port
RIG_BADNAME_PORT=$badname_port
RIG_EXPIRED_PORT=$expired_port
RIG_UNKNOWNCA_PORT=$unknownca_port
RIG_POP3_BADNAME_HOST=$pop3_badname_host
RIG_POP3_EXPIRED_HOST=$pop3_expired_host
RIG_POP3_UNKNOWNCA_HOST=$pop3_unknownca_host
RIG_POP3_PLAIN_HOST=$pop3_plain_host
RIG_DUAL_HOST=$dual_host
EOF
    mv -f "$env_file.tmp" "$env_file"
}

# Shows the end of the servers' logs after a failure.
show_logs() {
    local file
    for file in "$log_dir"/*.log; do
        [ -r "$file" ] || continue
        echo "--- $file" >&2
        tail -n 15 "$file" >&2
    done
}

start_smtp() {
    [ -r "$pf_conf/main.cf" ] || fail "no Postfix configuration in $pf_conf; run 'rig.sh start'"
    stop_smtp_quietly
    # postfix start checks the queue folders, creates missing ones and waits for master(8) to
    # finish starting; its own messages go to a log of the rig, not to the test's output.
    if ! timeout 30 postfix -c "$pf_conf" start </dev/null >>"$log_dir/postfix-start.log" 2>&1; then
        echo "rig: postfix did not start" >&2
        show_logs
        return 1
    fi
    record_session "$pf_queue/pid/master.pid" "$view/postfix.session"
    wait_answers "$smtp_port:220:QUIT" "$submission_port:220:QUIT" "$login_only_port:220:QUIT" \
        "$plain_only_port:220:QUIT" "$plain_submission_port:220:QUIT" \
        "$slow_submission_port:220:QUIT" "$badname_port:220:QUIT" "$expired_port:220:QUIT" \
        "$unknownca_port:220:QUIT" "$smtps_port:220:QUIT::tls" ||
        { show_logs; return 1; }
}

# Stops Postfix if it runs. This is what "postfix stop" does (SIGTERM to master(8), which passes
# it on to its children and ends), with a finer wait than its one-second steps; whatever is left
# of its session after 5 s is ended.
stop_smtp_quietly() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$pf_queue/pid/master.pid")
    if [ -n "$pid" ] && running "$pid"; then
        kill -TERM "$pid" 2>/dev/null
        wait_gone "$pid" 250
    fi
    end_session "$view/postfix.session"
}

stop_smtp() {
    stop_smtp_quietly
    # shellcheck disable=SC2086  # the lists are split into their entries on purpose
    wait_refused $smtp_ports
}

start_pop3() {
    if ! timeout 30 dovecot -c "$dc_conf" </dev/null >>"$log_dir/dovecot-start.log" 2>&1; then
        echo "rig: dovecot did not start" >&2
        show_logs
        return 1
    fi
    record_session "$dc_base/master.pid" "$view/dovecot.session"
    return 0
}

# Stops Dovecot if it runs: SIGTERM to its master process, which stops its children; whatever is
# left of its session after 5 s is ended.
stop_pop3() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$dc_base/master.pid")
    if [ -n "$pid" ] && running "$pid"; then
        kill -TERM "$pid" 2>/dev/null
        wait_gone "$pid" 250
    fi
    end_session "$view/dovecot.session"
}

# The dual-stack name: a hosts file naming it, mounted over /etc/hosts, seen only inside this
# namespace, and the silent IPv6 listeners in front of it.
start_dual_path() {
    { grep -v "[[:space:]]$dual_host\$" /etc/hosts
      echo "$silent_address $dual_host"
      echo "$host $dual_host"; } >"$dir/hosts" || return 1
    mount --bind "$dir/hosts" /etc/hosts || return 1
    rm -f "$dir/silent.ready"
    # shellcheck disable=SC2086
    python3 "$(dirname "$0")/silent_listener.py" "$dir/silent.ready" "$silent_address" \
        $silent_ports >"$log_dir/silent.log" 2>&1 &
    echo $! >"$dir/silent.pid"
    local round
    for round in $(seq 100); do
        [ -s "$dir/silent.ready" ] && return 0
        running "$!" || break
        sleep 0.1
    done
    echo "rig: the silent listeners on [$silent_address] did not start" >&2
    cat "$log_dir/silent.log" >&2
    return 1
}

stop_dual_path() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$dir/silent.pid")
    if [ -n "$pid" ] && running "$pid"; then
        kill -TERM "$pid" 2>/dev/null
        wait_gone "$pid" 250
    fi
    rm -f "$dir/silent.pid" "$dir/silent.ready"
}

start() {
    # A rig left running in this folder is stopped first; then its old files go.
    stop_all
    rm -rf "$pf_conf" "$pf_queue" "$pf_data" "$dc_conf_dir" "$mail_base" "$log_dir" \
        "$tls_dir" "$env_file" "$env_file.tmp"
    mkdir -p "$log_dir" || fail "cannot create $log_dir"
    make_pki || { show_logs; fail "cannot make the test certificates in $tls_dir"; }
    write_postfix_config || fail "cannot write the Postfix configuration"
    write_dovecot_config || fail "cannot write the Dovecot configuration"
    make_maildirs || fail "cannot create the Maildirs"
    local began
    began=$(now_ms)
    # Dovecot first: Postfix's submission service needs its auth socket.
    start_pop3 || { stop_all; exit 1; }
    start_smtp || { stop_all; exit 1; }
    wait_answers "$pop3_port:+OK:QUIT" "$pop3_port:+OK:QUIT:$pop3_badname_host" \
        "$pop3_port:+OK:QUIT:$pop3_expired_host" "$pop3_port:+OK:QUIT:$pop3_unknownca_host" \
        "$pop3_port:+OK:QUIT:$pop3_plain_host" || { show_logs; stop_all; exit 1; }
    start_dual_path || { stop_all; exit 1; }
    write_env
    echo "rig: Postfix and Dovecot answer on $host:$smtp_port, :$submission_port and" \
        ":$pop3_port after $(($(now_ms) - began)) ms; settings in $env_file"
}

stop_all() {
    rm -f "$env_file"
    stop_dual_path
    stop_smtp_quietly
    stop_pop3
}

check_namespace
prepare_dir "$2"
case $action in
start) start ;;
stop)
    stop_all
    # shellcheck disable=SC2086
    wait_refused $smtp_ports $pop3_ports
    ;;
stop-smtp) stop_smtp ;;
start-smtp) start_smtp ;;
restart-smtp) stop_smtp && start_smtp ;;
esac
