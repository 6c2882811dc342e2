"""Audits what our writer produced with ezdxf; exit status 1 on any audit error.

usage: ezdxf_audit.py FILE...                  every file must pass
       ezdxf_audit.py --pairs ORIGINAL WRITTEN ...
           a written file must pass whenever the original it came from passes (ezdxf
           itself rejects or trips over some of the shared test drawings)
"""
import sys

import ezdxf


def audit(path):
    try:
        doc = ezdxf.readfile(path)
        auditor = doc.audit()
    except Exception as e:  # ezdxf's own failures are part of what we report
        return "ezdxf failed: %s: %s" % (type(e).__name__, e)
    if auditor.has_errors:
        return "audit: " + "; ".join(str(e.message) for e in auditor.errors[:5])
    return None


def main(args):
    failed = 0
    if args and args[0] == "--pairs":
        pairs = args[1:]
        for original, written in zip(pairs[0::2], pairs[1::2]):
            before = audit(original)
            after = audit(written)
            if before is not None:
                print("%s: original not auditable (%s); written: %s" % (written, before, after or "ok"))
                continue
            print("%s: %s" % (written, after or "ok"))
            failed += after is not None
    else:
        for path in args:
            problem = audit(path)
            print("%s: %s" % (path, problem or "ok"))
            failed += problem is not None
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
