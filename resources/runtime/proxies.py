"""The proxy each download goes through."""


def curl_environment(url):
    """The environment for a curl that fetches url; None keeps the bootstrap's own."""
    return None
