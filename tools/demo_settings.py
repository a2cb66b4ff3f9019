#!/usr/bin/env python3
"""The demo's two halves around velmor.exe.
    demo_settings.py RIG_ENV RUN_FOLDER   writes velmor.ini and ToName.dat for the rig's accounts
    demo_settings.py --show RIG_ENV       prints every mail delivered to the rig's recipient
The settings file is written as the program writes it: code page 932, 16 "label,value" lines,
CR LF, the POP3 password as four digits per byte (its value plus 2731)."""
import email
import email.policy
import os
import sys

LABELS = ["SMTPサーバー名", "送信元名称", "送信元アドレス", "POP3サーバー名", "送信元ID",
          "POP3パスワード", "送信先名", "送信先アドレス", "文字数の制限", "透過率", "透過するしない",
          "警告音使う使わない", "POPbeforeSMTP使う使わない", "APOP使う使わない",
          "SMTP-AUTH使う使わない", "ポート番号"]


def read_env(path):
    with open(path) as handle:
        return dict(line.rstrip("\n").split("=", 1) for line in handle if "=" in line)


def write_settings(env, folder):
    password = "".join(str(byte + 2731) for byte in env["RIG_PASSWORD"].encode("cp932"))
    # The rig's servers without TLS: this Wine prefix does not trust the rig's test authority.
    values = [env["RIG_HOST"], "デモ送信者", env["RIG_ADDRESS"], env["RIG_POP3_PLAIN_HOST"],
              env["RIG_USER"], password, "デモ受信者", env["RIG_RECIPIENT"], "50", "90", "0", "1", "1", "0", "0",
              env["RIG_PLAIN_SUBMISSION_PORT"]]
    lines = [f"{label},{value}\r\n" for label, value in zip(LABELS, values)]
    with open(os.path.join(folder, "velmor.ini"), "wb") as handle:
        handle.write("".join(lines).encode("cp932"))
    recipients = [("デモ受信者", env["RIG_RECIPIENT"], 50)] + [("", "", 0)] * 4
    with open(os.path.join(folder, "ToName.dat"), "wb") as handle:
        handle.write("".join(f"{n},{a},{l}\r\n" for n, a, l in recipients).encode("cp932"))


def show_mail(env):
    folder = os.path.join(env["RIG_RECIPIENT_MAILDIR"], "new")
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    if not names:
        print("No mail was delivered.")
    for name in names:
        with open(os.path.join(folder, name), "rb") as handle:
            message = email.message_from_binary_file(handle, policy=email.policy.default)
        print("----")
        for field in ("From", "To", "Subject", "Date", "X-Mailer"):
            print(f"{field}: {message[field]}")
        print()
        print(message.get_content())


if __name__ == "__main__":
    if sys.argv[1] == "--show":
        show_mail(read_env(sys.argv[2]))
    else:
        write_settings(read_env(sys.argv[1]), sys.argv[2])
