#!/usr/bin/python3
"""A news server on 127.0.0.1 for the tests: Debian's INN with a private
configuration and spool in DIR, readers and posters from 127.0.0.1 allowed.

Usage: nntp_server.py PORT DIR. Groups: zintu.test (with one article made
here, whose body has lines that begin with a dot) and zintu.misc.
"""
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys

INN = "/usr/lib/news/bin"

ARTICLE = (
    "From: Tester <tester@zintu.test>\r\n"
    "Newsgroups: zintu.test\r\n"
    "Subject: Dots\r\n"
    "Message-ID: <dots@zintu.test>\r\n"
    "\r\n"
    ".starts with a dot\r\n"
    "..two dots\r\n"
    "plain\r\n"
)


def configure(root, port):
    shutil.rmtree(root, ignore_errors=True)
    etc = os.path.join(root, "etc")
    for sub in ("db", "spool/articles", "spool/incoming", "spool/outgoing", "spool/archive", "run", "log",
                "tmp", "overview", "http"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    shutil.copytree("/etc/news", etc)
    conf = open(os.path.join(etc, "inn.conf")).read()
    settings = {
        "port": str(port), "bindaddress": "127.0.0.1", "pathhost": "zintu.test", "domain": "zintu.test",
        "pathetc": etc, "pathdb": root + "/db", "pathspool": root + "/spool", "pathrun": root + "/run",
        "pathlog": root + "/log", "pathtmp": root + "/tmp", "pathoverview": root + "/overview",
        "patharticles": root + "/spool/articles", "pathincoming": root + "/spool/incoming",
        "pathoutgoing": root + "/spool/outgoing", "patharchive": root + "/spool/archive",
        "pathhttp": root + "/http", "pgpverify": "false", "nnrpdloadlimit": "0",
        "runasuser": "news", "runasgroup": "news",
    }
    for key, value in settings.items():
        line = "%s: %s" % (key, value)
        conf, n = re.subn(r"(?m)^#?%s:.*$" % key, line, conf)
        if n == 0:
            conf += "\n" + line + "\n"
    write(etc, "inn.conf", conf)
    write(etc, "readers.conf", 'auth "local" {\n hosts: "127.0.0.1, localhost"\n default: "<local>"\n}\n'
          'access "local" {\n users: "<local>"\n newsgroups: "*"\n access: RPA\n}\n')
    write(etc, "storage.conf", "method tradspool {\n newsgroups: *\n class: 0\n}\n")
    write(etc, "newsfeeds", "ME:*,!junk,!control*::\n")
    # No feeding peers: every connection from here is a reader.
    write(etc, "incoming.conf", "\n")
    write(root + "/db", "active", "control 0000000000 0000000001 n\ncontrol.cancel 0000000000 0000000001 n\n"
          "junk 0000000000 0000000001 n\nzintu.test 0000000000 0000000001 y\nzintu.misc 0000000000 0000000001 y\n")
    write(root + "/db", "newsgroups", "zintu.test\tTests of the browser.\nzintu.misc\tOther things.\n")
    write(root + "/db", "active.times", "")
    write(root + "/db", "history", "")
    news = pwd.getpwnam("news")
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames + [""]:
            os.chown(os.path.join(dirpath, name), news.pw_uid, news.pw_gid)
    env = dict(os.environ, INNCONF=os.path.join(etc, "inn.conf"))
    as_news = ["setpriv", "--reuid=news", "--regid=news", "--init-groups"]
    subprocess.run(as_news + [INN + "/makedbz", "-i", "-o"], env=env, check=True, cwd=root + "/db")
    return env


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def main():
    port, scratch = int(sys.argv[1]), sys.argv[2]
    root = os.path.join(scratch, "news")
    # The server runs as the news user, who must reach its files.
    os.chmod(scratch, 0o755)
    env = configure(root, port)
    server = subprocess.Popen([INN + "/innd", "-d", "-f"], env=env, stdout=subprocess.DEVNULL)

    # The server finishes what it has in hand before it stops on SIGTERM;
    # the tests are over by then, so it stops at once.
    def stop(signum, frame):
        # Not waited for here: the main thread is inside wait() already.
        server.kill()
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    post_first_article(port)
    server.wait()


def post_first_article(port):
    import socket
    import time
    for _ in range(100):
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            break
        except OSError:
            time.sleep(0.05)
    else:
        return
    f = s.makefile("rwb")
    f.readline()
    f.write(b"POST\r\n")
    f.flush()
    f.readline()
    f.write(ARTICLE.replace("\r\n.", "\r\n..").encode() + b".\r\n")
    f.flush()
    f.readline()
    f.write(b"QUIT\r\n")
    f.flush()
    s.close()


if __name__ == "__main__":
    main()
