#!/usr/bin/env python3
"""The demo's two halves around velmor.exe.
    demo_settings.py RIG_ENV RUN_FOLDER   writes velmor.ini and ToName.dat for the rig's accounts
    demo_settings.py --show RIG_ENV       prints every mail delivered to the rig's recipient
The settings file is written as the program writes it: code page 932, 16 "label,value" lines,
CR LF, the POP3 password as four digits per byte (its value plus 2731). tools/demo_drive.py uses
the same pieces, and prints the send log's new record as well."""
import email
import email.policy
import os
import sys

LABELS = ["SMTPサーバー名", "送信元名称", "送信元アドレス", "POP3サーバー名", "送信元ID",
          "POP3パスワード", "送信先名", "送信先アドレス", "文字数の制限", "透過率", "透過するしない",
          "警告音使う使わない", "POPbeforeSMTP使う使わない", "APOP使う使わない",
          "SMTP-AUTH使う使わない", "ポート番号"]
SENDER_NAME = "デモ送信者"
RECIPIENT_NAME = "デモ受信者"
CHAR_LIMIT = 50


def read_env(path):
    with open(path) as handle:
        return dict(line.rstrip("\n").split("=", 1) for line in handle if "=" in line)


def write_settings(env, folder):
    password = "".join(str(byte + 2731) for byte in env["RIG_PASSWORD"].encode("cp932"))
    # SMTP AUTH on the rig's submission port without TLS (this Wine prefix does not trust the
    # rig's test authority) whose server takes a few seconds over the data, so that each step
    # of the send can be seen in the status line.
    values = [env["RIG_HOST"], SENDER_NAME, env["RIG_ADDRESS"], env["RIG_POP3_PLAIN_HOST"],
              env["RIG_USER"], password, RECIPIENT_NAME, env["RIG_RECIPIENT"], str(CHAR_LIMIT),
              "90", "0", "1", "0", "0", "1", env["RIG_SLOW_SUBMISSION_PORT"]]
    lines = [f"{label},{value}\r\n" for label, value in zip(LABELS, values)]
    with open(os.path.join(folder, "velmor.ini"), "wb") as handle:
        handle.write("".join(lines).encode("cp932"))
    recipients = [(RECIPIENT_NAME, env["RIG_RECIPIENT"], CHAR_LIMIT)] + [("", "", 0)] * 4
    with open(os.path.join(folder, "ToName.dat"), "wb") as handle:
        handle.write("".join(f"{n},{a},{l}\r\n" for n, a, l in recipients).encode("cp932"))


def delivered_names(env):
    """The file names of the mails waiting in the recipient's Maildir, oldest first."""
    folder = os.path.join(env["RIG_RECIPIENT_MAILDIR"], "new")
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def read_mail(env, name):
    path = os.path.join(env["RIG_RECIPIENT_MAILDIR"], "new", name)
    with open(path, "rb") as handle:
        return email.message_from_binary_file(handle, policy=email.policy.default)


def print_mail(message):
    print("----")
    for field in ("From", "To", "Subject", "Date", "X-Mailer"):
        print(f"{field}: {message[field]}")
    print()
    print(message.get_content())


def show_mail(env):
    names = delivered_names(env)
    if not names:
        print("No mail was delivered.")
    for name in names:
        print_mail(read_mail(env, name))


if __name__ == "__main__":
    if sys.argv[1] == "--show":
        show_mail(read_env(sys.argv[2]))
    else:
        write_settings(read_env(sys.argv[1]), sys.argv[2])
