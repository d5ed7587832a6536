#!/usr/bin/python3
"""A mail sink on 127.0.0.1 for the tests (aiosmtpd) that keeps every message.

Usage: smtp_server.py PORT DIR. Message N goes to DIR/mail/N.eml as it came
(after the server undid the dot-stuffing), its envelope to DIR/mail/N.env
("from" line, then one "to" line per accepted recipient in order). A
recipient whose name begins with "refused" is refused with 550; every
RCPT is logged to DIR/mail/rcpt.log.
"""
import os
import sys
import threading

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        with open(os.path.join(self.folder, "rcpt.log"), "a") as log:
            log.write(address + "\n")
        if address.split("@")[0].startswith("refused"):
            return "550 No such mailbox"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.folder, str(n))
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        with open(base + ".env", "w") as f:
            f.write("from " + envelope.mail_from + "\n")
            for to in envelope.rcpt_tos:
                f.write("to " + to + "\n")
        os.rename(base + ".eml.part", base + ".eml")
        return "250 Message accepted"


def main():
    port, scratch = int(sys.argv[1]), sys.argv[2]
    folder = os.path.join(scratch, "mail")
    os.makedirs(folder, exist_ok=True)
    controller = Controller(Sink(folder), hostname="127.0.0.1", port=port, decode_data=False)
    controller.start()
    threading.Event().wait()


if __name__ == "__main__":
    main()
