#!/usr/bin/env python3
"""Computes the expected enciphered files of the cipher's known-answer test.

Kept for reference: it was run once and its output pasted into
tests/core/cipher_test.cpp. It shares no code with the program: the key
derivation and the authentication code come from Python's hashlib/hmac, the AES
blocks from the `openssl enc` command.

    python3 tests/data/cipher/make_known_answers.py
"""

import hashlib
import hmac
import subprocess


def aes_ecb(key: bytes, data: bytes) -> bytes:
    bits = len(key) * 8
    return subprocess.run(
        ["openssl", "enc", f"-aes-{bits}-ecb", "-nopad", "-K", key.hex()],
        input=data, capture_output=True, check=True).stdout


def encipher(pass_phrase: bytes, salt: bytes, plain: bytes) -> bytes:
    n = len(pass_phrase)
    strength = 1 if n < 32 else 2 if n < 48 else 3
    key_len = {1: 16, 2: 24, 3: 32}[strength]
    assert len(salt) == {1: 8, 2: 12, 3: 16}[strength]
    material = hashlib.pbkdf2_hmac("sha1", pass_phrase, salt, 1000, 2 * key_len + 2)
    aes_key, mac_key, verifier = material[:key_len], material[key_len:2 * key_len], material[-2:]
    blocks = (len(plain) + 15) // 16
    counters = b"".join(i.to_bytes(8, "little") + bytes(8) for i in range(1, blocks + 1))
    keystream = aes_ecb(aes_key, counters) if blocks else b""
    body = bytes(p ^ k for p, k in zip(plain, keystream))
    code = hmac.new(mac_key, body, hashlib.sha1).digest()[:10]
    return salt + verifier + body + code


CASES = [
    (b"zenqovilrd", bytes.fromhex("0011223344556677"),
     b"<%%AppName%%>Wordlark Pro<%%/AppName%%>\r\n"),
    (b"zenqovilrd", bytes.fromhex("a0a1a2a3a4a5a6a7"), b""),
    (b"a pass phrase of forty bytes, strength 2", bytes.fromhex("0102030405060708090a0b0c"),
     b"thirty-three bytes of plain text!"),
    (b"a pass phrase of sixty-four bytes gives the strongest key, AES-2",
     bytes(range(16)), b"seventeen bytes.."),
]

for pass_phrase, salt, plain in CASES:
    out = encipher(pass_phrase, salt, plain)
    print(f'{{"{pass_phrase.decode()}", "{salt.hex()}", "{plain.hex()}",\n  "{out.hex()}"}},')
