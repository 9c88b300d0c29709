#!/usr/bin/env python3
"""Runs a download test program between its local HTTPS servers.

  download_test_servers.py --state DIR -- COMMAND...

Starts, on 127.0.0.1 ports chosen here:
  - the content host: nginx with HTTP/2 over TLS (content_server.nginx.conf);
  - the fault host: fault_server.py over TLS, scriptable per path;
  - a second fault host whose certificate comes from a CA nobody trusts;
and names a port where nothing listens. The test CA is made once per state
folder (so the test Wine prefix trusts one CA only); server certificates are
made per run. COMMAND then runs with these variables (Windows paths):
  LAUNCHER_TEST_CA_DER          the test CA, DER
  LAUNCHER_TEST_CONTENT_ROOT    folder served by both hosts
  LAUNCHER_TEST_CONTENT_URL     https://127.0.0.1:PORT (nginx)
  LAUNCHER_TEST_CONTENT_HTTP_URL  http://127.0.0.1:PORT (nginx, plain HTTP)
  LAUNCHER_TEST_CONTENT_LOG     nginx's access log
  LAUNCHER_TEST_FAULT_URL       https://127.0.0.1:PORT (fault host)
  LAUNCHER_TEST_UNTRUSTED_URL   https://127.0.0.1:PORT (unknown CA)
  LAUNCHER_TEST_DEAD_URL        https://127.0.0.1:PORT (nothing listening)
Everything is stopped and the run folder removed when COMMAND ends; its exit
status is returned.
"""

import argparse
import ctypes
import fcntl
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
NGINX = "/usr/sbin/nginx"


PR_SET_PDEATHSIG = 1


def stop_with_this_script():
    """For a child process: it gets SIGTERM when this script dies, even when
    a test time-out kills the script, so no server outlives the run."""
    parent = os.getpid()

    def arrange():
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
        if os.getppid() != parent:
            os._exit(1)

    return arrange


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_ca(folder, name):
    key = os.path.join(folder, "ca.key")
    pem = os.path.join(folder, "ca.pem")
    run("openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
        "-nodes", "-keyout", key, "-out", pem, "-days", "3650", "-subj", "/CN=" + name,
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("openssl", "x509", "-in", pem, "-outform", "DER", "-out", os.path.join(folder, "ca.der"))


def make_server_cert(ca_folder, folder):
    key = os.path.join(folder, "server.key")
    csr = os.path.join(folder, "server.csr")
    pem = os.path.join(folder, "server.pem")
    extensions = os.path.join(folder, "server.ext")
    with open(extensions, "w") as ext:
        ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                  "basicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n")
    run("openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-keyout", key, "-out", csr, "-subj", "/CN=127.0.0.1")
    run("openssl", "x509", "-req", "-in", csr, "-CA", os.path.join(ca_folder, "ca.pem"),
        "-CAkey", os.path.join(ca_folder, "ca.key"), "-CAcreateserial",
        "-CAserial", os.path.join(folder, "ca.srl"), "-out", pem, "-days", "30",
        "-extfile", extensions)
    return pem, key


def trusted_ca(state):
    folder = os.path.join(state, "ca")
    os.makedirs(state, exist_ok=True)
    with open(os.path.join(state, "ca.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(os.path.join(folder, "ca.der")):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            make_ca(folder, "Launcher Download Test CA")
    return folder


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_for_file(path, process, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if os.path.exists(path):
            with open(path) as text:
                return text.read().strip()
        if process.poll() is not None:
            raise RuntimeError("server exited early: %s" % process.args)
        time.sleep(0.05)
    raise RuntimeError("server did not start: %s" % process.args)


def wait_for_port(port, process, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("server exited early: %s" % process.args)
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("server did not listen on %d" % port)


def start_fault_server(run_folder, name, cert, key, root):
    port_file = os.path.join(run_folder, name + ".port")
    log = open(os.path.join(run_folder, name + ".log"), "w")
    process = subprocess.Popen(
        [sys.executable, os.path.join(HERE, "fault_server.py"), "--root", root, "--cert", cert,
         "--key", key, "--port-file", port_file],
        stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=stop_with_this_script())
    return process, int(wait_for_file(port_file, process))


def start_content_server(run_folder, cert, key, root):
    for _ in range(5):
        port = free_port()
        http_port = free_port()
        with open(os.path.join(HERE, "content_server.nginx.conf")) as template:
            text = template.read()
        for field, value in (("@RUN@", run_folder), ("@PORT@", str(port)),
                             ("@HTTP_PORT@", str(http_port)), ("@CERT@", cert), ("@KEY@", key),
                             ("@ROOT@", root)):
            text = text.replace(field, value)
        config = os.path.join(run_folder, "nginx.conf")
        with open(config, "w") as out:
            out.write(text)
        log = open(os.path.join(run_folder, "nginx.out"), "w")
        process = subprocess.Popen([NGINX, "-p", run_folder, "-c", config],
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                   preexec_fn=stop_with_this_script())
        try:
            wait_for_port(port, process)
            wait_for_port(http_port, process)
            return process, port, http_port
        except RuntimeError:
            process.kill()
            process.wait()
    raise RuntimeError("nginx did not start; see %s" % run_folder)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    arguments = parser.parse_args()
    command = arguments.command[1:] if arguments.command[:1] == ["--"] else arguments.command
    if not command:
        parser.error("no command")

    ca_folder = trusted_ca(os.path.abspath(arguments.state))
    run_folder = tempfile.mkdtemp(prefix="run-", dir=os.path.abspath(arguments.state))
    os.chmod(run_folder, 0o755)
    root = os.path.join(run_folder, "content")
    os.makedirs(root)
    os.chmod(root, 0o777)
    processes = []
    try:
        cert, key = make_server_cert(ca_folder, run_folder)
        untrusted_folder = os.path.join(run_folder, "untrusted")
        os.makedirs(untrusted_folder)
        make_ca(untrusted_folder, "Unknown Test CA")
        untrusted_cert, untrusted_key = make_server_cert(untrusted_folder, untrusted_folder)

        fault, fault_port = start_fault_server(run_folder, "fault", cert, key, root)
        processes.append(fault)
        untrusted, untrusted_port = start_fault_server(run_folder, "untrusted", untrusted_cert,
                                                       untrusted_key, root)
        processes.append(untrusted)
        content, content_port, content_http_port = start_content_server(run_folder, cert, key,
                                                                        root)
        processes.append(content)

        environment = dict(os.environ)
        environment.update({
            "LAUNCHER_TEST_CA_DER": windows_path(os.path.join(ca_folder, "ca.der")),
            "LAUNCHER_TEST_CONTENT_ROOT": windows_path(root),
            "LAUNCHER_TEST_CONTENT_URL": "https://127.0.0.1:%d" % content_port,
            "LAUNCHER_TEST_CONTENT_HTTP_URL": "http://127.0.0.1:%d" % content_http_port,
            "LAUNCHER_TEST_CONTENT_LOG": windows_path(
                os.path.join(run_folder, "content-access.log")),
            "LAUNCHER_TEST_FAULT_URL": "https://127.0.0.1:%d" % fault_port,
            "LAUNCHER_TEST_UNTRUSTED_URL": "https://127.0.0.1:%d" % untrusted_port,
            "LAUNCHER_TEST_DEAD_URL": "https://127.0.0.1:%d" % free_port(),
        })
        return subprocess.call(command, env=environment, preexec_fn=stop_with_this_script())
    finally:
        for process in processes:
            process.terminate()
        for process in processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(run_folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
