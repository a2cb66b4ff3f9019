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
import sys
import uuid

from smoke_mail import (NETWORK_TIMEOUT, Checks, check_same_text, expect, find_delivered,
                        new_message, read_env, smtp)
from smoke_tls import (CERTIFICATE_EXPIRED, HOSTNAME_MISMATCH, UNKNOWN_ISSUER, no_starttls,
                       pop3_bad_certificate, pop3_stls_login, pop3_without_stls, smtps_send,
                       submission_bad_certificate, submission_starttls)

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
