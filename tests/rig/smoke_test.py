#!/usr/bin/env python3
"""Proves that the mail test rig works, with Python's own mail clients.

Usage: smoke_test.py RIG_ENV_FILE   (without an argument: the path in $VELMOR_RIG_ENV)

Checks, one line printed for each: a plain send on the SMTP port arrives in the recipient's
Maildir and reads back to the same UTF-8 subject and body; an unknown recipient is refused with
550; the submission port refuses an unauthenticated relay, offers CRAM-MD5, LOGIN and PLAIN,
accepts each with the right password and refuses each with 535 for a wrong one, and delivers an
authenticated submission; POP3 greets with an APOP timestamp, accepts USER/PASS and APOP, refuses
wrong passwords with -ERR and hands out delivered mail.

TLS, with the rig's CA (RIG_CA_FILE) as the only trusted one: 25 offers no STARTTLS; 587, 2587
and 3587 offer STARTTLS next to AUTH, and after it log in (587 also delivers a mail); 465 speaks
TLS at once, logs in and delivers; 8587 offers AUTH but no STARTTLS; 4587, 5587 and 6587 fail
verification (wrong name, expired, unknown CA) and their Postfix log shows no AUTH. POP3 offers
STLS on 127.0.0.1 and logs in after it; 127.0.0.2, .3 and .4 fail verification the same three
ways and Dovecot's log shows no login attempt there; 127.0.0.5 offers no STLS but USER/PASS.
Every network call has a time-out and every wait is bounded. Exits 0 only when every check passed.
"""

import email
import email.policy
import os
import poplib
import re
import smtplib
import socket
import ssl
import sys
import time
import uuid
from email.message import EmailMessage

NETWORK_TIMEOUT = 10  # seconds for every connect and reply
DELIVERY_TIMEOUT = 20  # seconds a delivered mail may take to appear in a Maildir
LOG_TIMEOUT = 10  # seconds a server may take to write a line to its log
POLL_INTERVAL = 0.05

# Text beyond ASCII, as the program's users write it: kana, kanji, a circled digit, a wave dash
# and half-width katakana.
SUBJECT = "疎通確認 ① 〜 ｶﾀｶﾅ"
BODY = "こんにちは、テストです。\n二行目 ② ～ ﾃｽﾄ\n.a line starting with a dot\n"


def read_env(path):
    """The KEY=VALUE lines of rig.env as a dictionary."""
    values = {}
    with open(path, encoding="utf-8") as env_file:
        for line in env_file:
            line = line.strip()
            if not line or line.startswith("#") or "=" not in line:
                continue
            key, value = line.split("=", 1)
            values[key] = value
    return values


class Checks:
    """Runs named checks, printing one line for each; a failing check does not stop the rest."""

    def __init__(self):
        self.failed = 0
        self.passed = 0

    def run(self, name, function):
        began = time.monotonic()
        try:
            detail = function()
        except Exception as error:  # any failure of one check is reported, then the next runs
            self.failed += 1
            print(f"FAIL {name}: {type(error).__name__}: {error} [{self.took(began)}]", flush=True)
            return
        self.passed += 1
        detail = f" ({detail})" if detail else ""
        print(f"ok   {name}{detail} [{self.took(began)}]", flush=True)

    @staticmethod
    def took(began):
        return f"{time.monotonic() - began:.2f} s"


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def new_message(env, to, tag):
    """A UTF-8 mail whose Message-ID carries the tag, so that its delivery can be found."""
    message = EmailMessage()
    message["From"] = env["RIG_ADDRESS"]
    message["To"] = to
    message["Subject"] = f"{SUBJECT} {tag}"
    message["Message-ID"] = f"<{tag}@{env['RIG_DOMAIN']}>"
    message.set_content(BODY, charset="utf-8")
    return message


def find_delivered(maildir, tag):
    """Waits, at most DELIVERY_TIMEOUT, for the mail with the tag in the Maildir's new/ or cur/;
    returns its parsed form and its path."""
    needle = f"<{tag}@".encode()
    deadline = time.monotonic() + DELIVERY_TIMEOUT
    for _ in range(int(DELIVERY_TIMEOUT / POLL_INTERVAL) + 1):
        for sub in ("new", "cur"):
            folder = os.path.join(maildir, sub)
            for name in sorted(os.listdir(folder)):
                path = os.path.join(folder, name)
                try:
                    with open(path, "rb") as mail_file:
                        data = mail_file.read()
                except FileNotFoundError:  # moved between listing and reading
                    continue
                if needle in data:
                    return email.message_from_bytes(data, policy=email.policy.default), path
        if time.monotonic() >= deadline:
            break
        time.sleep(POLL_INTERVAL)
    raise AssertionError(f"no mail {tag} in {maildir} within {DELIVERY_TIMEOUT} s")


def check_same_text(delivered, tag):
    subject = str(delivered["Subject"])
    expect(subject == f"{SUBJECT} {tag}", f"subject came back as {subject!r}")
    body = delivered.get_body(("plain",)).get_content()
    expect(body == BODY, f"body came back as {body!r}")


def smtp(env, port):
    return smtplib.SMTP(env["RIG_HOST"], int(port), timeout=NETWORK_TIMEOUT)


def plain_send(env):
    tag = f"smoke-{uuid.uuid4().hex}"
    with smtp(env, env["RIG_SMTP_PORT"]) as client:
        refused = client.send_message(new_message(env, env["RIG_RECIPIENT"], tag))
        expect(not refused, f"refused: {refused}")
    delivered, path = find_delivered(env["RIG_RECIPIENT_MAILDIR"], tag)
    expect(os.path.basename(os.path.dirname(path)) == "new", f"delivered to {path}, not new/")
    check_same_text(delivered, tag)
    return os.path.relpath(path, env["RIG_RECIPIENT_MAILDIR"])


def unknown_recipient(env):
    with smtp(env, env["RIG_SMTP_PORT"]) as client:
        client.ehlo()
        code, reply = client.mail(env["RIG_ADDRESS"])
        expect(code == 250, f"MAIL answered {code} {reply!r}")
        code, reply = client.rcpt(env["RIG_UNKNOWN"])
        expect(code == 550 and b"5.1.1" in reply,
               f"RCPT {env['RIG_UNKNOWN']} answered {code} {reply!r}")
        return f"{code} {reply.decode(errors='replace')}"


def unauthenticated_relay(env):
    with smtp(env, env["RIG_SUBMISSION_PORT"]) as client:
        client.ehlo()
        code, reply = client.mail(env["RIG_ADDRESS"])
        expect(code == 250, f"MAIL answered {code} {reply!r}")
        code, reply = client.rcpt("someone@example.com")
        expect(500 <= code < 600, f"RCPT to an outside domain answered {code} {reply!r}")
        return f"{code} {reply.decode(errors='replace')}"


def offered_mechanisms(env):
    with smtp(env, env["RIG_SUBMISSION_PORT"]) as client:
        client.ehlo()
        expect(client.has_extn("auth"), "no AUTH in the EHLO reply")
        offered = client.esmtp_features["auth"].upper().split()
        for mechanism in ("CRAM-MD5", "LOGIN", "PLAIN"):
            expect(mechanism in offered, f"{mechanism} is not offered: {offered}")
        return " ".join(offered)


# smtplib's own answer to each mechanism's challenges.
AUTH_METHODS = {"CRAM-MD5": "auth_cram_md5", "LOGIN": "auth_login", "PLAIN": "auth_plain"}


def authenticate(env, mechanism, password):
    """Logs in on the submission port with one mechanism; returns the server's reply code."""
    with smtp(env, env["RIG_SUBMISSION_PORT"]) as client:
        client.ehlo()
        client.user, client.password = env["RIG_USER"], password
        try:
            code, _ = client.auth(mechanism, getattr(client, AUTH_METHODS[mechanism]))
        except smtplib.SMTPAuthenticationError as error:
            code = error.smtp_code
        return code


def auth_right(mechanism):
    def check(env):
        code = authenticate(env, mechanism, env["RIG_PASSWORD"])
        expect(code == 235, f"AUTH {mechanism} answered {code}")
        return str(code)
    return check


def auth_wrong(mechanism):
    def check(env):
        code = authenticate(env, mechanism, env["RIG_PASSWORD"] + "-wrong")
        expect(code == 535, f"AUTH {mechanism} with a wrong password answered {code}")
        return str(code)
    return check


def authenticated_send(env):
    tag = f"smoke-{uuid.uuid4().hex}"
    with smtp(env, env["RIG_SUBMISSION_PORT"]) as client:
        client.login(env["RIG_USER"], env["RIG_PASSWORD"])
        refused = client.send_message(new_message(env, env["RIG_RECIPIENT"], tag))
        expect(not refused, f"refused: {refused}")
    delivered, path = find_delivered(env["RIG_RECIPIENT_MAILDIR"], tag)
    check_same_text(delivered, tag)
    return os.path.relpath(path, env["RIG_RECIPIENT_MAILDIR"])


def pop3(env):
    return poplib.POP3(env["RIG_HOST"], int(env["RIG_POP3_PORT"]), timeout=NETWORK_TIMEOUT)


def pop3_greeting(env):
    client = pop3(env)
    try:
        welcome = client.getwelcome()
        expect(welcome.startswith(b"+OK"), f"greeting {welcome!r}")
        expect(re.search(rb"<[^<>\s@]+@[^<>\s]+>", welcome), f"no timestamp in {welcome!r}")
        return welcome.decode(errors="replace")
    finally:
        client.quit()


def pop3_user_pass(env):
    client = pop3(env)
    try:
        client.user(env["RIG_USER"])
        reply = client.pass_(env["RIG_PASSWORD"])
        count, _ = client.stat()
        return f"{reply.decode(errors='replace')}; {count} mails"
    finally:
        client.quit()


def pop3_apop(env):
    client = pop3(env)
    try:
        reply = client.apop(env["RIG_USER"], env["RIG_PASSWORD"])
        client.stat()
        return reply.decode(errors="replace")
    finally:
        client.quit()


def pop3_refused(login):
    """A login with a wrong password must end in -ERR."""
    def check(env):
        client = pop3(env)
        try:
            login(client, env["RIG_USER"], env["RIG_PASSWORD"] + "-wrong")
        except poplib.error_proto as error:
            reply = error.args[0] if error.args else b""
            expect(reply.startswith(b"-ERR"), f"refused with {reply!r}")
            return reply.decode(errors="replace")
        finally:
            client.close()
        raise AssertionError("a wrong password was accepted")
    return check


def pass_login(client, user, password):
    client.user(user)
    client.pass_(password)


def apop_login(client, user, password):
    client.apop(user, password)


def pop3_retrieve(env):
    """A mail sent to the user's own address is handed out by POP3, unchanged."""
    tag = f"smoke-{uuid.uuid4().hex}"
    with smtp(env, env["RIG_SMTP_PORT"]) as client:
        client.send_message(new_message(env, env["RIG_ADDRESS"], tag))
    find_delivered(env["RIG_USER_MAILDIR"], tag)
    client = pop3(env)
    try:
        client.user(env["RIG_USER"])
        client.pass_(env["RIG_PASSWORD"])
        _, listing, _ = client.list()
        for entry in listing:
            number = int(entry.split()[0])
            _, lines, _ = client.retr(number)
            data = b"\n".join(lines) + b"\n"  # the line ends Python's parser works with
            if f"<{tag}@".encode() in data:
                check_same_text(email.message_from_bytes(data, policy=email.policy.default), tag)
                return f"message {number} of {len(listing)}"
        raise AssertionError(f"mail {tag} is not in the POP3 listing of {len(listing)}")
    finally:
        client.quit()


# TLS checks. Every one trusts only the rig's CA, as a client configured with RIG_CA_FILE does.

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


def main(argv):
    path = argv[1] if len(argv) > 1 else os.environ.get("VELMOR_RIG_ENV", "")
    if path.startswith("Z:"):  # a Wine path of the same file
        path = path[2:]
    if not path:
        print("usage: smoke_test.py RIG_ENV_FILE", file=sys.stderr)
        return 2
    env = read_env(path)
    checks = Checks()
    checks.run("smtp: plain send arrives in the Maildir with its UTF-8 text",
               lambda: plain_send(env))
    checks.run("smtp: unknown recipient refused with 550", lambda: unknown_recipient(env))
    checks.run("submission: unauthenticated relay refused", lambda: unauthenticated_relay(env))
    checks.run("submission: offers CRAM-MD5, LOGIN and PLAIN", lambda: offered_mechanisms(env))
    for mechanism in AUTH_METHODS:
        checks.run(f"submission: AUTH {mechanism} with the right password",
                   lambda m=mechanism: auth_right(m)(env))
        checks.run(f"submission: AUTH {mechanism} with a wrong password fails with 535",
                   lambda m=mechanism: auth_wrong(m)(env))
    checks.run("submission: authenticated send arrives", lambda: authenticated_send(env))
    checks.run("pop3: greeting holds an APOP timestamp", lambda: pop3_greeting(env))
    checks.run("pop3: USER/PASS login", lambda: pop3_user_pass(env))
    checks.run("pop3: APOP login", lambda: pop3_apop(env))
    checks.run("pop3: USER/PASS with a wrong password fails with -ERR",
               lambda: pop3_refused(pass_login)(env))
    checks.run("pop3: APOP with a wrong password fails with -ERR",
               lambda: pop3_refused(apop_login)(env))
    checks.run("pop3: a delivered mail is retrieved unchanged", lambda: pop3_retrieve(env))
    checks.run("tls: smtp port offers no STARTTLS",
               lambda: no_starttls("RIG_SMTP_PORT", with_auth=False)(env))
    checks.run("tls: submission STARTTLS by name, AUTH and a delivered mail",
               lambda: submission_starttls("RIG_SUBMISSION_PORT", "RIG_TLS_HOST",
                                           "postfix/submission", send=True)(env))
    checks.run("tls: submission STARTTLS by address and AUTH",
               lambda: submission_starttls("RIG_SUBMISSION_PORT", "RIG_HOST",
                                           "postfix/submission", send=False)(env))
    checks.run("tls: LOGIN-only submission STARTTLS and AUTH",
               lambda: submission_starttls("RIG_LOGIN_ONLY_PORT", "RIG_HOST",
                                           "postfix/submission-login", send=False)(env))
    checks.run("tls: PLAIN-only submission STARTTLS and AUTH",
               lambda: submission_starttls("RIG_PLAIN_ONLY_PORT", "RIG_HOST",
                                           "postfix/submission-plain", send=False)(env))
    checks.run("tls: implicit TLS by name, AUTH and a delivered mail",
               lambda: smtps_send(env, "RIG_TLS_HOST"))
    checks.run("tls: implicit TLS by address, AUTH and a delivered mail",
               lambda: smtps_send(env, "RIG_HOST"))
    checks.run("tls: submission without TLS offers AUTH but no STARTTLS",
               lambda: no_starttls("RIG_PLAIN_SUBMISSION_PORT", with_auth=True)(env))
    for port_key, syslog_name, code in (
            ("RIG_BADNAME_PORT", "postfix/badname", HOSTNAME_MISMATCH),
            ("RIG_EXPIRED_PORT", "postfix/expired", CERTIFICATE_EXPIRED),
            ("RIG_UNKNOWNCA_PORT", "postfix/unknownca", UNKNOWN_ISSUER)):
        checks.run(f"tls: {syslog_name} on {env.get(port_key)} fails verification, no AUTH",
                   lambda a=(port_key, syslog_name, code): submission_bad_certificate(*a)(env))
    checks.run("tls: pop3 STLS by name, then USER/PASS", lambda: pop3_stls_login(env))
    for host_key, code in (("RIG_POP3_BADNAME_HOST", HOSTNAME_MISMATCH),
                           ("RIG_POP3_EXPIRED_HOST", CERTIFICATE_EXPIRED),
                           ("RIG_POP3_UNKNOWNCA_HOST", UNKNOWN_ISSUER)):
        checks.run(f"tls: pop3 on {env.get(host_key)} fails verification, no login",
                   lambda a=(host_key, code): pop3_bad_certificate(*a)(env))
    checks.run("tls: pop3 without TLS offers no STLS, USER/PASS works",
               lambda: pop3_without_stls(env))
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
