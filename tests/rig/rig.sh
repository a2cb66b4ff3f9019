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
# 4587, 5587, 6587 and 7587 offer STARTTLS with a certificate a client must refuse: one for
# another name, an expired one, one from a CA that is not in ca.pem, and one not yet valid; each
# logs under its own syslog_name (postfix/badname, postfix/expired, postfix/unknownca,
# postfix/future), so a test can prove from the log that no AUTH reached them. POP3 offers STLS
# on 127.0.0.1:110; the same port on 127.0.0.2, .3, .4 and .6 presents those four bad
# certificates, and 127.0.0.5 offers no STLS.
# USER/PASS and APOP work without TLS everywhere.
#
# A dual-stack name with a broken IPv6 path: dual.velmor-rig.test resolves (through a hosts file
# mounted over /etc/hosts in the namespace's own mount namespace) first to ::1, where the SMTP,
# submission and POP3 ports listen but never answer (their accept queues are kept full), then to
# 127.0.0.1, where the servers are. The rig's certificate is valid for the name.
# race.velmor-rig.test resolves to three loopback addresses where no server of the rig listens, for
# tests that put servers of their own there (one silent, one answering) to race the attempts.
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
future_port=7587
tls_host=localhost
pop3_badname_host=127.0.0.2
pop3_expired_host=127.0.0.3
pop3_unknownca_host=127.0.0.4
pop3_plain_host=127.0.0.5
pop3_future_host=127.0.0.6
dual_host=dual.$domain
race_host=race.$domain
race_addresses="127.0.0.7 127.0.0.8 127.0.0.9"
silent_address=::1
silent_ports="$smtp_port $submission_port $plain_submission_port $pop3_port"
# Every port of each server, as wait_refused takes them.
smtp_ports="$smtp_port $submission_port $login_only_port $plain_only_port $smtps_port
    $plain_submission_port $slow_submission_port $badname_port $expired_port $unknownca_port
    $future_port"
pop3_ports="$pop3_port $pop3_port:$pop3_badname_host $pop3_port:$pop3_expired_host
    $pop3_port:$pop3_unknownca_host $pop3_port:$pop3_plain_host $pop3_port:$pop3_future_host"
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

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib/namespace.sh
. "$here/lib/namespace.sh"
# shellcheck source=lib/ports.sh
. "$here/lib/ports.sh"
# shellcheck source=lib/processes.sh
. "$here/lib/processes.sh"
# shellcheck source=lib/template.sh
. "$here/lib/template.sh"
# shellcheck source=lib/pki.sh
. "$here/lib/pki.sh"

# Makes DIR the rig's folder, mounts its view and sets the paths below it.
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
    check_view_reachable
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

# The configuration of each server, from the templates. Every service runs without chroot, so the
# absolute paths work in all of them. There is no smtp/lmtp client: the transports of main.cf
# never connect anywhere. The services with TLS (see the top of this file) each log under a
# syslog_name of their own; tlsmgr(8) serves their TLS random seed.
write_postfix_config() {
    # postfix start creates the queue's subfolders and the data folder with the owners and modes
    # it wants; the configuration and queue folders themselves belong to root.
    mkdir -p "$pf_conf" "$pf_queue" "$log_dir" || return 1
    chmod 755 "$pf_conf" "$pf_queue" || return 1
    # The address table: a value ending in "/" is a Maildir below virtual_mailbox_base. texthash
    # tables are read as they are, so no postmap run is needed.
    fill_template vmailbox "$pf_conf/vmailbox" &&
        fill_template main.cf "$pf_conf/main.cf" &&
        fill_template master.cf "$pf_conf/master.cf"
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
    fill_template dovecot.conf "$dc_conf"
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
    fill_template rig.env "$env_file.tmp" && mv -f "$env_file.tmp" "$env_file"
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
        "$unknownca_port:220:QUIT" "$future_port:220:QUIT" "$smtps_port:220:QUIT::tls" ||
        { show_logs; return 1; }
}

# Stops Postfix if it runs. This is what "postfix stop" does (SIGTERM to master(8), which passes
# it on to its children and ends), with a finer wait than its one-second steps.
stop_smtp_quietly() {
    stop_process "$pf_queue/pid/master.pid" "$view/postfix.session"
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

# Stops Dovecot if it runs: SIGTERM to its master process, which stops its children.
stop_pop3() {
    stop_process "$dc_base/master.pid" "$view/dovecot.session"
}

# The dual-stack name and the race name: a hosts file naming them, mounted over /etc/hosts, seen
# only inside this namespace, and the silent IPv6 listeners in front of the dual-stack name.
start_dual_path() {
    local address
    { grep -v "[[:space:]]\($dual_host\|$race_host\)\$" /etc/hosts
      echo "$silent_address $dual_host"
      echo "$host $dual_host"
      for address in $race_addresses; do
          echo "$address $race_host"
      done; } >"$dir/hosts" || return 1
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
    stop_process "$dir/silent.pid"
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
        "$pop3_port:+OK:QUIT:$pop3_plain_host" "$pop3_port:+OK:QUIT:$pop3_future_host" ||
        { show_logs; stop_all; exit 1; }
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
