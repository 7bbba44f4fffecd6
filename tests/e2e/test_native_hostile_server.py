"""The Linux program end to end against a manifest server that misbehaves (the cases are
in hostile_server_cases.py). The peak memory of each run is the child's maximum resident
set size, as wait4 reports it when the run has ended."""

import unittest

from hostile_server_cases import MB, NO_UPDATES, UPDATE, HostileServerCases, error
from native_harness import NativeCase
from protocol import cache_value

TIMEOUT = "(28) Timeout was reached."
TOO_LARGE = "(63) Maximum file size exceeded."


class NativeHostileServer(HostileServerCases, NativeCase):
    EXPECTED = {
        "garbage_instead_of_http": error("(1) Unsupported protocol."),
        "close_without_reply": error("(52) Server returned nothing (no headers, no data)."),
        "close_mid_body": error("(18) Transferred a partial file."),
        "never_answer": error(TIMEOUT),
        "headers_then_silence": error(TIMEOUT),
        "trickling_body": error(TIMEOUT),
        "endless_body": error(TOO_LARGE),
        "endless_chunked_body": error(TOO_LARGE),
        "oversize_body_with_content_length": error(TOO_LARGE),
        "zero_and_high_bytes_in_the_body": NO_UPDATES,
        "zero_and_high_bytes_around_the_page": UPDATE,
        "redirect_to_itself": error("Connection error. Status code: 302"),
        "huge_header": error("(56) Too large response headers."),
        "bad_chunk_size": error("(56) Failure when receiving data from the peer."),
        "status_200_without_reason": UPDATE,
        "status_099": error("(1) Unsupported protocol."),
        "status_2000": error("(1) Unsupported protocol."),
    }
    START_SECONDS = 10
    # Stopping an endless body at the limit, a release build peaks near 44 MB and the
    # sanitizer build near 112 MB (shadow memory and quarantine), and 34 MB in the other cases.
    MEMORY_BOUND = (300 if cache_value("KWU_SANITIZE") == "ON" else 64) * MB


if __name__ == "__main__":
    unittest.main()
