#!/usr/bin/env python3
"""Makes and signs Quenda releases for the self-updater.

  keygen   --private KEY.pem --public KEY.txt
           a new Ed25519 key pair: the private key (PEM, keep it secret) and the public key
           as the program reads it (standard Base64 of the 32 raw bytes)
  pack     --key KEY.pem --prefix DIR --version V --build N --output quenda-V.tar.gz
           signs the install prefix DIR (bin/quenda, share/...) by writing
           share/quenda/release.json into it, then packs DIR as a gzip-compressed tar archive
  manifest --key KEY.pem --archive FILE --url URL --version V --build N [--notes TEXT]
           --output latest.json
           the signed manifest the feed serves for that archive

Signing goes through the openssl command (OpenSSL 3): no cryptography of our own. The signed
texts are the ones the program checks (update/Manifest.cpp, update/ReleaseFile.cpp).
"""
import argparse
import base64
import hashlib
import json
import os
import subprocess
import sys
import tarfile
import tempfile

RELEASE_FILE = "share/quenda/release.json"


def sign(key, message):
    """The raw Ed25519 signature of the bytes, in standard Base64."""
    with tempfile.TemporaryDirectory() as tmp:
        msg = os.path.join(tmp, "message")
        sig = os.path.join(tmp, "signature")
        with open(msg, "wb") as f:
            f.write(message)
        subprocess.run(["openssl", "pkeyutl", "-sign", "-inkey", key, "-rawin", "-in", msg,
                        "-out", sig], check=True)
        with open(sig, "rb") as f:
            raw = f.read()
    if len(raw) != 64:
        sys.exit("quenda-release: the key is not an Ed25519 key")
    return base64.b64encode(raw).decode("ascii")


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def keygen(args):
    # The private key is never readable by others, not even for a moment.
    old_mask = os.umask(0o077)
    try:
        subprocess.run(["openssl", "genpkey", "-algorithm", "ed25519", "-out", args.private],
                       check=True)
    finally:
        os.umask(old_mask)
    os.chmod(args.private, 0o600)
    der = subprocess.run(["openssl", "pkey", "-in", args.private, "-pubout", "-outform", "DER"],
                         check=True, capture_output=True).stdout
    with open(args.public, "w", encoding="ascii") as f:
        f.write(base64.b64encode(der[-32:]).decode("ascii") + "\n")


def release_files(prefix):
    """Every regular file of the prefix but the release file, by path; links are refused."""
    files = {}
    for folder, dirs, names in os.walk(prefix):
        for name in dirs + names:
            full = os.path.join(folder, name)
            rel = os.path.relpath(full, prefix).replace(os.sep, "/")
            if os.path.islink(full):
                sys.exit(f"quenda-release: {rel} is a link; releases hold files and folders")
            if name in names and rel != RELEASE_FILE:
                if not os.path.isfile(full) or "\n" in rel or "\r" in rel:
                    sys.exit(f"quenda-release: {rel} is not a plain file")
                files[rel] = sha256(full)
    return files


def pack(args):
    if not os.path.isfile(os.path.join(args.prefix, "bin", "quenda")):
        sys.exit("quenda-release: the prefix has no bin/quenda")
    files = release_files(args.prefix)
    message = f"quenda-release\n{args.version}\n{args.build}\n".encode()
    for path in sorted(files, key=lambda p: p.encode()):
        message += f"{files[path]}  {path}\n".encode()
    release = {"version": args.version, "build": args.build, "files": files,
               "signature": sign(args.key, message)}
    os.makedirs(os.path.join(args.prefix, "share", "quenda"), exist_ok=True)
    with open(os.path.join(args.prefix, RELEASE_FILE), "w", encoding="utf-8") as f:
        json.dump(release, f, indent=2, sort_keys=True)
        f.write("\n")

    def owned_by_nobody(info):
        info.uid = info.gid = 0
        info.uname = info.gname = ""
        return info

    with tarfile.open(args.output, "w:gz", format=tarfile.PAX_FORMAT) as tar:
        for entry in sorted(os.listdir(args.prefix)):
            tar.add(os.path.join(args.prefix, entry), arcname=entry, filter=owned_by_nobody)


def manifest(args):
    m = {"version": args.version, "build": args.build, "dmg_url": args.url,
         "sha256": sha256(args.archive)}
    message = f"{m['version']}|{m['build']}|{m['dmg_url']}|{m['sha256']}".encode()
    m["signature"] = sign(args.key, message)
    if args.notes is not None:
        m["notes"] = args.notes
    with open(args.output, "w", encoding="utf-8") as f:
        json.dump(m, f, indent=2, ensure_ascii=False)
        f.write("\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    k = sub.add_parser("keygen")
    k.add_argument("--private", required=True)
    k.add_argument("--public", required=True)
    p = sub.add_parser("pack")
    m = sub.add_parser("manifest")
    for s in (p, m):
        s.add_argument("--key", required=True)
        s.add_argument("--version", required=True)
        s.add_argument("--build", required=True, type=int)
        s.add_argument("--output", required=True)
    p.add_argument("--prefix", required=True)
    m.add_argument("--archive", required=True)
    m.add_argument("--url", required=True)
    m.add_argument("--notes")
    args = parser.parse_args()
    {"keygen": keygen, "pack": pack, "manifest": manifest}[args.command](args)


if __name__ == "__main__":
    main()
