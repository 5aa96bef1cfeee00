#!/usr/bin/python3
"""Prints what a test needs to know of a received message, parsed with Python's email package.

Usage: mail_inspect.py [--subject] MESSAGE.eml

Output lines: "defects: N"; "header NAME" for each header in order; "address NAME: DISPLAY-NAME <ADDRESS>" for
each mailbox of the From, To and Cc headers (encoded words decoded); "boundary: B" for a multipart message; then
per leaf part "part TYPE name=NAME filename=FILE sha256=HEX size=N encoding=CTE", where the digest is of the
decoded payload, followed for text parts by "text: " and the payload as a JSON string; with --subject, last "subject: " and the
decoded Subject header as a JSON string.
"""
import email
import email.policy
import hashlib
import json
import sys


def main(path, subject):
    with open(path, "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
    defects = len(message.defects) + sum(len(part.defects) for part in message.walk())
    print(f"defects: {defects}")
    for name in message.keys():
        print(f"header {name}")
    for name in ("From", "To", "Cc"):
        for address in message[name].addresses if name in message else ():
            print(f"address {name}: {address.display_name} <{address.addr_spec}>")
    if message.is_multipart():
        print(f"boundary: {message.get_boundary()}")
    for part in message.walk():
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        print(f"part {part.get_content_type()} name={part.get_param('name')} filename={part.get_filename()} "
              f"sha256={hashlib.sha256(payload).hexdigest()} size={len(payload)} "
              f"encoding={part.get('Content-Transfer-Encoding')}")
        if part.get_content_maintype() == "text":
            print(f"text: {json.dumps(payload.decode('utf-8', 'replace'))}")
    if subject:
        print(f"subject: {json.dumps(str(message.get('Subject', '')))}")


if __name__ == "__main__":
    main(sys.argv[-1], "--subject" in sys.argv[1:-1])
