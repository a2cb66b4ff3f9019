"""The mail rig's TLS checks, run by smoke_test.py. Every one trusts only the rig's CA, as a
client configured with RIG_CA_FILE does."""

import os
import poplib
import re
import smtplib
import socket
import ssl
import time
import uuid

from smoke_mail import (LOG_TIMEOUT, NETWORK_TIMEOUT, POLL_INTERVAL, check_same_text, expect,
                        find_delivered, new_message, smtp)

# OpenSSL's verification results for the three bad certificates.
HOSTNAME_MISMATCH = 62
CERTIFICATE_EXPIRED = 10
UNKNOWN_ISSUER = 20  # "unable to get local issuer certificate"


def tls_context(env):
    return ssl.create_default_context(cafile=env["RIG_CA_FILE"])


def log_size(path):
    try:
        return os.path.getsize(path)
    except FileNotFoundError:
        return 0


def log_since(path, offset):
    """The lines written to a log after the given size of it."""
    with open(path, "rb") as log_file:
        log_file.seek(offset)
        return log_file.read().decode(errors="replace").splitlines()


def wait_for_log(path, offset, wanted, what):
    """Waits, at most LOG_TIMEOUT, until a line written after offset satisfies wanted; returns
    that line and every line written since offset."""
    deadline = time.monotonic() + LOG_TIMEOUT
    for _ in range(int(LOG_TIMEOUT / POLL_INTERVAL) + 1):
        lines = log_since(path, offset)
        for line in lines:
            if wanted(line):
                return line, lines
        if time.monotonic() >= deadline:
            break
        time.sleep(POLL_INTERVAL)
    raise AssertionError(f"no {what} in {path} within {LOG_TIMEOUT} s")


def postfix_service(name):
    """Whether a Postfix log line comes from the smtpd of the service with that syslog_name."""
    return lambda line: f" {name}/smtpd[" in line


def tls_logged(env, offset, name):
    """Postfix logged a TLS connection made to the service."""
    service = postfix_service(name)
    line, _ = wait_for_log(
        env["RIG_POSTFIX_LOG"], offset,
        lambda line: service(line) and "TLS connection established from" in line,
        f"TLS connection of {name}")
    return line.split(": ", 2)[-1].split(" with cipher")[0]


def submission_starttls(port_key, host_key, syslog_name, send):
    """STARTTLS on a submission port, checked against the rig's name or address, then AUTH after
    it (with the one mechanism that port offers), and when asked a delivered mail."""
    def check(env):
        offset = log_size(env["RIG_POSTFIX_LOG"])
        tag = f"smoke-{uuid.uuid4().hex}"
        with smtplib.SMTP(env[host_key], int(env[port_key]), timeout=NETWORK_TIMEOUT) as client:
            client.ehlo()
            expect(client.has_extn("starttls"), "no STARTTLS in the EHLO reply")
            expect(client.has_extn("auth"), "no AUTH offered before STARTTLS")
            code, reply = client.starttls(context=tls_context(env))
            expect(code == 220, f"STARTTLS answered {code} {reply!r}")
            client.ehlo()
            expect(not client.has_extn("starttls"), "STARTTLS offered again inside TLS")
            expect(client.has_extn("auth"), "no AUTH offered after STARTTLS")
            client.login(env["RIG_USER"], env["RIG_PASSWORD"])
            if send:
                refused = client.send_message(new_message(env, env["RIG_RECIPIENT"], tag))
                expect(not refused, f"refused: {refused}")
        if send:
            delivered, _ = find_delivered(env["RIG_RECIPIENT_MAILDIR"], tag)
            check_same_text(delivered, tag)
        return tls_logged(env, offset, syslog_name)
    return check


def smtps_send(env, host_key):
    """TLS from the first byte on 465, then AUTH and a delivered mail."""
    offset = log_size(env["RIG_POSTFIX_LOG"])
    tag = f"smoke-{uuid.uuid4().hex}"
    with smtplib.SMTP_SSL(env[host_key], int(env["RIG_SMTPS_PORT"]), context=tls_context(env),
                          timeout=NETWORK_TIMEOUT) as client:
        client.ehlo()
        expect(not client.has_extn("starttls"), "STARTTLS offered inside TLS")
        client.login(env["RIG_USER"], env["RIG_PASSWORD"])
        refused = client.send_message(new_message(env, env["RIG_RECIPIENT"], tag))
        expect(not refused, f"refused: {refused}")
    delivered, _ = find_delivered(env["RIG_RECIPIENT_MAILDIR"], tag)
    check_same_text(delivered, tag)
    return tls_logged(env, offset, "postfix/smtps")


def no_starttls(port_key, with_auth):
    """A port that offers no STARTTLS; with_auth: one that still offers and accepts AUTH."""
    def check(env):
        with smtp(env, env[port_key]) as client:
            client.ehlo()
            expect(not client.has_extn("starttls"), "STARTTLS is offered")
            if not with_auth:
                return "no STARTTLS"
            expect(client.has_extn("auth"), "no AUTH in the EHLO reply")
            client.login(env["RIG_USER"], env["RIG_PASSWORD"])
            return f"no STARTTLS; AUTH {client.esmtp_features['auth'].strip()}"
    return check


def refused_certificate(handshake, verify_code):
    """Runs a TLS handshake that must fail the certificate check with the given verification
    error; returns the verification message."""
    try:
        handshake()
    except ssl.SSLCertVerificationError as error:
        expect(error.verify_code == verify_code,
               f"verification failed with {error.verify_code} {error.verify_message}, "
               f"not {verify_code}")
        return error.verify_message
    raise AssertionError("the certificate was accepted")


def submission_bad_certificate(port_key, syslog_name, verify_code):
    """STARTTLS to a server whose certificate the rig's CA and name must refuse: the handshake
    fails with the expected verification error, and Postfix's log of that service shows the
    failed STARTTLS and no AUTH at all."""
    def check(env):
        offset = log_size(env["RIG_POSTFIX_LOG"])
        client = smtplib.SMTP(env["RIG_TLS_HOST"], int(env[port_key]), timeout=NETWORK_TIMEOUT)
        try:
            client.ehlo()
            expect(client.has_extn("starttls"), "no STARTTLS in the EHLO reply")
            message = refused_certificate(
                lambda: client.starttls(context=tls_context(env)), verify_code)
        finally:
            client.close()
        service = postfix_service(syslog_name)
        line, lines = wait_for_log(
            env["RIG_POSTFIX_LOG"], offset,
            lambda line: service(line) and "disconnect from" in line,
            f"disconnect of {syslog_name}")
        expect("starttls=0/1" in line and "auth=" not in line, f"Postfix logged {line!r}")
        for line in filter(service, lines):
            expect("sasl_method" not in line and "authentication failed" not in line,
                   f"AUTH reached {syslog_name}: {line!r}")
        return message
    return check


def pop3_stls_login(env):
    """CAPA offers STLS on 127.0.0.1; after STLS, checked against the rig's name, USER/PASS logs
    in, and Dovecot logs that login as one made over TLS."""
    offset = log_size(env["RIG_DOVECOT_LOG"])
    client = poplib.POP3(env["RIG_TLS_HOST"], int(env["RIG_POP3_PORT"]),
                         timeout=NETWORK_TIMEOUT)
    try:
        expect("STLS" in client.capa(), "no STLS in CAPA")
        client.stls(tls_context(env))
        version = client.sock.version()
        client.user(env["RIG_USER"])
        client.pass_(env["RIG_PASSWORD"])
        count, _ = client.stat()
    finally:
        client.quit()
    login = re.compile(rf"Login: user=<{re.escape(env['RIG_USER'])}>, .*"
                       rf"lip={re.escape(env['RIG_HOST'])},.* TLS,")
    wait_for_log(env["RIG_DOVECOT_LOG"], offset, login.search, "Login over TLS")
    return f"{version}; {count} mails"


def read_pop3_line(reader):
    line = reader.readline(4096)
    expect(line.endswith(b"\n"), f"no complete POP3 line: {line!r}")
    return line.rstrip(b"\r\n")


def pop3_bad_certificate(host_key, verify_code):
    """STLS on an address whose certificate the rig's CA and name must refuse: the handshake
    fails with the expected verification error before any USER, PASS or APOP is sent, and
    Dovecot's log shows that connection ending with no auth attempt and no login on that
    address."""
    def check(env):
        address = env[host_key]
        offset = log_size(env["RIG_DOVECOT_LOG"])
        with socket.create_connection((address, int(env["RIG_POP3_PORT"])),
                                      timeout=NETWORK_TIMEOUT) as raw:
            reader = raw.makefile("rb")
            greeting = read_pop3_line(reader)
            expect(greeting.startswith(b"+OK"), f"greeting {greeting!r}")
            raw.sendall(b"CAPA\r\n")
            expect(read_pop3_line(reader).startswith(b"+OK"), "CAPA refused")
            capabilities = []
            for _ in range(100):
                line = read_pop3_line(reader)
                if line == b".":
                    break
                capabilities.append(line.split()[0].upper() if line.split() else b"")
            expect(b"STLS" in capabilities, f"no STLS in CAPA: {capabilities}")
            raw.sendall(b"STLS\r\n")
            reply = read_pop3_line(reader)
            expect(reply.startswith(b"+OK"), f"STLS answered {reply!r}")
            message = refused_certificate(
                lambda: tls_context(env).wrap_socket(
                    raw, server_hostname=env["RIG_TLS_HOST"]).close(),
                verify_code)
        this_address = re.compile(rf"\blip={re.escape(address)}(?![0-9])")
        line, lines = wait_for_log(
            env["RIG_DOVECOT_LOG"], offset,
            lambda line: this_address.search(line) and "Disconnected" in line,
            f"disconnect on {address}")
        expect("no auth attempts" in line and "TLS handshaking" in line,
               f"Dovecot logged {line!r}")
        for line in filter(this_address.search, lines):
            expect("Login:" not in line and "auth failed" not in line
                   and "client in: AUTH" not in line, f"a login reached {address}: {line!r}")
        return message
    return check


def pop3_without_stls(env):
    """127.0.0.5 offers no STLS; USER/PASS works there as on 127.0.0.1."""
    client = poplib.POP3(env["RIG_POP3_PLAIN_HOST"], int(env["RIG_POP3_PORT"]),
                         timeout=NETWORK_TIMEOUT)
    try:
        capabilities = client.capa()
        expect("STLS" not in capabilities, f"STLS offered: {sorted(capabilities)}")
        client.user(env["RIG_USER"])
        reply = client.pass_(env["RIG_PASSWORD"])
        return f"no STLS; {reply.decode(errors='replace')}"
    finally:
        client.quit()


