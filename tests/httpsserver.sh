#!/usr/bin/env bash
# A local HTTPS server for the Windows suite's HTTPS program: Python's
# http.server wrapped in ssl, with a self-signed certificate, on 127.0.0.1.
#   tests/httpsserver.sh start FOLDER   makes the certificate, starts the server and
#                                       writes the port it listens on to FOLDER/port
#   tests/httpsserver.sh stop FOLDER    ends it
set -euo pipefail
folder=$2
case $1 in
    start)
        mkdir -p "$folder"
        rm -f "$folder/port"
        openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 2 \
            -keyout "$folder/key.pem" -out "$folder/cert.pem" 2>/dev/null
        nohup python3 -c '
import http.server, os, ssl, sys
folder = sys.argv[1]
server = http.server.HTTPServer(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(folder + "/cert.pem", folder + "/key.pem")
server.socket = context.wrap_socket(server.socket, server_side=True)
os.chdir(folder)
with open("port.new", "w") as port:
    port.write(str(server.server_address[1]))
os.rename("port.new", "port")
server.serve_forever()
' "$folder" >"$folder/server.log" 2>&1 &
        echo $! >"$folder/pid"
        for _ in $(seq 100); do
            [ -s "$folder/port" ] && exit 0
            sleep 0.1
        done
        echo "The HTTPS server did not start: $(cat "$folder/server.log")" >&2
        exit 1
        ;;
    stop)
        kill "$(cat "$folder/pid")" 2>/dev/null || true
        ;;
esac
