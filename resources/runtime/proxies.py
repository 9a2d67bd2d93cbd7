"""Which proxy each download goes through: the one the system names for that download's own host.

A proxy in the launcher's environment reaches every curl as it is, and nothing is asked. Otherwise the
launcher names itself in VLMR_PROXY_HELPER, since only it can ask the system (a PAC file may send
each host its own way): `<helper> --proxy-for URL` answers with one line of JSON, the variables curl
needs for that URL and a line for the log. Each scheme and host is asked once, and only when a
download runs; a host the helper cannot answer for is reached directly."""

import json
import os
import subprocess
import sys
import threading
import urllib.parse

import children

HELPER_VARIABLE = "VLMR_PROXY_HELPER"
# The system may first have to fetch a PAC file, or look for one.
ANSWER_SECONDS = 60

_answers = {}
_asking = threading.Lock()  # downloads run side by side; each host is still asked once


def curl_environment(url):
    """The environment of a curl that fetches url, or None to inherit the bootstrap's own."""
    helper = os.environ.get(HELPER_VARIABLE)
    if not helper:
        return None
    parts = urllib.parse.urlsplit(url)
    host = (parts.scheme, parts.hostname)
    with _asking:
        if host not in _answers:
            _answers[host] = ask(helper, url, parts.hostname)
    environment = children.child_environment()
    environment.pop(HELPER_VARIABLE, None)
    environment.update(_answers[host])
    return environment


def ask(helper, url, host):
    try:
        answer = subprocess.run([helper, "--proxy-for", url], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                timeout=ANSWER_SECONDS, check=True)
        parsed = json.loads(answer.stdout)
        variables = parsed["environment"]
        if not all(isinstance(value, str) for value in variables.values()) or not isinstance(parsed["log"], str):
            raise ValueError("not an answer: %r" % parsed)
    except (OSError, subprocess.SubprocessError, ValueError, KeyError, TypeError, AttributeError) as error:
        print("No proxy answer for {} ({}); connecting directly".format(host, error), file=sys.stderr, flush=True)
        return {}
    print(parsed["log"], flush=True)
    return variables
