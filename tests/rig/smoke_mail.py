"""What the mail rig's smoke checks share: the rig's settings, the runner that prints one line
per check, and a UTF-8 mail sent and found again in a Maildir."""

import email
import email.policy
import os
import smtplib
import time
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
