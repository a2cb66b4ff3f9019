#!/usr/bin/env python3
"""Checks a delivered mail as a standard mail reader sees it: Python's email package decodes
its subject and body, which must equal the code page 932 texts that were sent, decoded with
Python's own cp932 codec, character for character.
    decode_mail.py MAIL SUBJECT_FILE BODY_FILE
A body sent as 7bit always ends with a line break on the wire (RFC 5322 lines end in CR LF),
so one final line break is allowed there. Prints "ok", or what differs, and exits 0 or 1."""
import email
import email.policy
import sys


def read(path):
    with open(path, "rb") as handle:
        return handle.read()


message = email.message_from_binary_file(open(sys.argv[1], "rb"), policy=email.policy.default)
subject = read(sys.argv[2]).decode("cp932")
body = read(sys.argv[3]).decode("cp932").replace("\r\n", "\n")
got_subject = str(message["Subject"])
got_body = message.get_content().replace("\r\n", "\n")
problems = []
if got_subject != subject:
    problems.append(f"subject {got_subject!r} != {subject!r}")
seven_bit = message["Content-Transfer-Encoding"] != "base64"
if got_body != body and not (seven_bit and got_body == body + "\n"):
    problems.append(f"body {got_body[:200]!r} != {body[:200]!r}")
print("; ".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
