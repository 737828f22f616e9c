#!/usr/bin/python3
"""The mail tests' own SMTP server on 127.0.0.1 (aiosmtpd), with STARTTLS or SMTPS on a throwaway certificate
and AUTH PLAIN/LOGIN. Prints "READY <port>" when it listens. How it answers is read from <dir>/mode before each
message, so a test changes it between sends: accept, notls (no STARTTLS offered), 4xx, 5xx, rcpt5xx, drop (the connection closed in the
middle of the message's data), hangup (the whole message taken, kept, and the connection closed without an
answer). Each message taken is kept as <dir>/<n>.eml with a summary <dir>/<n>.json."""

import argparse, asyncio, resource, email, email.policy, hashlib, json, os, socket, ssl, subprocess, sys, time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

USER, PASSWORD = b"office", b"s3cret pass"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_certificate(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


class Handler:
    def __init__(self, folder):
        self.folder = folder
        self.count = len([n for n in os.listdir(folder) if n.endswith(".json")])  # a server started again goes on

    def mode(self):
        try:
            with open(os.path.join(self.folder, "mode")) as f:
                return f.read().strip() or "accept"
        except OSError:
            return "accept"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mode() == "rcpt5xx":
            return "550 5.1.1 No such mailbox here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    def keep(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        raw = envelope.original_content
        message = email.message_from_bytes(raw, policy=email.policy.default)
        body = message.get_body(preferencelist=("plain",))
        summary = {
            "mailFrom": envelope.mail_from, "rcptTos": envelope.rcpt_tos,
            "login": session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else "",
            "tls": session.ssl is not None or server.transport.get_extra_info("sslcontext") is not None,
            "from": str(message["From"]), "to": str(message["To"]), "subject": str(message["Subject"]),
            "messageId": str(message["Message-ID"]), "date": str(message["Date"]),
            "bcc": str(message["Bcc"] or ""),
            "body": body.get_content() if body is not None else "",
            "attachments": [{"fileName": part.get_filename(), "type": part.get_content_type(),
                             "sha256": hashlib.sha256(part.get_payload(decode=True)).hexdigest(),
                             "size": len(part.get_payload(decode=True))}
                            for part in message.iter_attachments()],
        }
        with open(base + ".eml.part", "wb") as f:
            f.write(raw)
        os.replace(base + ".eml.part", base + ".eml")
        with open(base + ".json.part", "w") as f:
            json.dump(summary, f)
        os.replace(base + ".json.part", base + ".json")

    async def handle_DATA(self, server, session, envelope):
        mode = self.mode()
        if mode == "4xx":
            return "451 4.3.0 Try again later"
        if mode == "5xx":
            return "554 5.7.1 Message refused"
        self.keep(server, session, envelope)
        if mode == "hangup":
            server.transport.abort()  # the answer below never leaves
        return "250 2.0.0 OK queued as %d" % self.count


class DroppingSMTP(SMTP):
    async def smtp_DATA(self, arg):
        if self.event_handler.mode() != "drop" or not self.envelope.rcpt_tos:
            return await super().smtp_DATA(arg)
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        for _ in range(3):
            await self._reader.readuntil(b"\r\n")
        self.transport.abort()


class OurController(Controller):
    def factory(self):
        options = dict(self.SMTP_kwargs)
        if self.handler.mode() == "notls":  # a server that offers no STARTTLS (and takes a login in the clear)
            options.update(tls_context=None, require_starttls=False, auth_require_tls=False)
        return DroppingSMTP(self.handler, **options)

    def _trigger_server(self):
        # The readiness check connects in the clear; with SMTPS it must speak TLS.
        if self.ssl_context is None:
            return super()._trigger_server()
        context = ssl.create_default_context()
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
        with socket.create_connection((self.hostname, self.port), 1.0) as raw:
            with context.wrap_socket(raw) as s:
                s.recv(1024)


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == USER and auth_data.password == PASSWORD
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--security", choices=("starttls", "smtps"), default="starttls")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    # asyncio keeps a closed TLS connection's socket for a while: a thousand messages in a row need room.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    context = make_certificate(args.dir)
    port = args.port or free_port()
    # With SMTPS the whole connection is TLS already, which aiosmtpd's own check does not see.
    options = dict(hostname="127.0.0.1", port=port, authenticator=authenticate, auth_required=True,
                   auth_require_tls=args.security == "starttls")
    if args.security == "smtps":
        controller = OurController(Handler(args.dir), ssl_context=context, **options)
    else:
        controller = OurController(Handler(args.dir), tls_context=context, require_starttls=True, **options)
    controller.start()
    print("READY %d" % port, flush=True)
    try:
        sys.stdin.read()  # runs until the test closes its end
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
