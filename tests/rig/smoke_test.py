#!/usr/bin/env python3
"""Proves that the mail test rig works, with Python's own mail clients.

Usage: smoke_test.py RIG_ENV_FILE   (without an argument: the path in $VELMOR_RIG_ENV)

Checks, one line printed for each: a plain send on the SMTP port arrives in the recipient's
Maildir and reads back to the same UTF-8 subject and body; an unknown recipient is refused with
550; the submission port refuses an unauthenticated relay, offers CRAM-MD5, LOGIN and PLAIN,
accepts each with the right password and refuses each with 535 for a wrong one, and delivers an
authenticated submission; POP3 greets with an APOP timestamp, accepts USER/PASS and APOP, refuses
wrong passwords with -ERR and hands out delivered mail. Every network call has a time-out and
every wait is bounded. Exits 0 only when every check passed.
"""

import email
import email.policy
import os
import poplib
import re
import smtplib
import sys
import time
import uuid
from email.message import EmailMessage

NETWORK_TIMEOUT = 10  # seconds for every connect and reply
DELIVERY_TIMEOUT = 20  # seconds a delivered mail may take to appear in a Maildir
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
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
