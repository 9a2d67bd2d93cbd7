"""A CONNECT-only proxy on 127.0.0.1, to 127.0.0.1 alone, for `lifetime` seconds; it counts its tunnels."""

import base64
import select
import socket
import threading
import time


class ConnectProxy:
    def __init__(self, credentials, lifetime=240):
        self.tunnels = 0
        self._expected = "Proxy-Authorization: Basic " + base64.b64encode(credentials.encode()).decode()
        self._deadline = time.monotonic() + lifetime
        self._server = socket.create_server(("127.0.0.1", 0))
        self._server.settimeout(0.5)
        self.port = self._server.getsockname()[1]
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while time.monotonic() < self._deadline:
            try:
                threading.Thread(target=self._tunnel, args=(self._server.accept()[0],), daemon=True).start()
            except OSError:
                pass
        self._server.close()

    def _tunnel(self, client):
        with client:
            client.settimeout(10)
            head = client.recv(8192).decode("latin-1").split("\r\n")  # curl sends it in one piece
            port = head[0].split()[1].rpartition(":")[2] if head[0].startswith("CONNECT ") else ""
            if self._expected not in head or not port.isdigit():
                return client.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n")
            with socket.create_connection(("127.0.0.1", int(port)), timeout=10) as upstream:
                self.tunnels += 1
                client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
                while time.monotonic() < self._deadline:
                    for source in select.select([client, upstream], [], [], 1.0)[0]:
                        data = source.recv(65536)
                        if not data:
                            return
                        (upstream if source is client else client).sendall(data)
