#!/usr/bin/env python3
"""Generated CLI requests, one per line, for comparing two builds' answers byte for byte:
tools/gen_requests.py N SEED [rich|simple] > requests.jsonl. Mixes plain deals, every command,
roll options, preferences, odd texts (blanks, commas, exponents, escapes, non-ASCII) and broken
lines; with "rich", also structures, grids, disclosures, details and contracts to reconcile; with
"simple", only simple deals to calculate, as a desk prices a batch of them."""
import json
import random
import sys

FIELDS = ["msrp", "optionpackage", "sellingprice", "addons", "downpayment", "tradeallowance",
          "tradepayoff", "rate", "buyrate", "residual", "term", "rebates", "milesyear",
          "financerebate", "financeterm", "financerate", "mileagecharge", "docfee", "acqfee",
          "taxrate", "platecharge", "totalcod", "desiredpayment"]
COMMANDS = ["calculate", "clear", "roll", "recalculate", "add_to_aftermarket"]
ODD = ["", " 6 ", "30,000", "$300", "1.5k", "1e3", "-0", "&H1F", "\u00e9", "a\"b", "\\", "\t",
       "1E400", "-1e-300", ".5", "6%"]


def number(r):
    kind = r.random()
    if kind < 0.7:
        return str(round(r.uniform(0, 60000), r.choice([0, 2])))
    if kind < 0.9:
        return str(round(r.uniform(-100, 100), 3))
    return r.choice(ODD)


STRUCTURE = {"tax": ["monthly", "upfront_payments", "upfront_price"],
             "upfront_tax": ["paid", "capitalized"], "tax_cash_down": [True, False],
             "rebates_taxable": [True, False], "acqfee": ["capitalized", "paid"],
             "dispositionfee": ["0", "350"], "securitydeposit": ["0", "500"],
             "msd_count": ["0", "3"], "msd_reduction": ["0.00007"]}


def rich(r, req):
    """The keys beyond a plain deal, each now and then."""
    if r.random() < 0.5:
        req["structure"] = {k: r.choice(v) for k, v in STRUCTURE.items() if r.random() < 0.5}
    if r.random() < 0.2:
        req["grid"] = {"terms": ["24", "36"], "downpayments": ["0", "2000"]}
    if r.random() < 0.3:
        req["disclosure"] = True
    if r.random() < 0.2:
        req["details"] = {"customer": r.choice(["Ann Smith", ""]), "note": r.choice(["", "x"])}
    if r.random() < 0.2:
        req["reconcile"] = {"base_payment": str(r.randint(200, 700)),
                            "rent_charge": str(r.randint(500, 4000))}


def request(r, extra=False):
    fields = {"msrp": str(r.randint(15000, 90000))}
    fields["sellingprice"] = str(int(fields["msrp"]) - r.randint(0, 5000))
    fields["residual"] = "%.2f" % r.uniform(0.3, 0.7)
    fields["rate"] = "%.2f" % r.uniform(0, 9)
    fields["term"] = r.choice(["24", "36", "39", "48", "1", "0"])
    for name in r.sample(FIELDS, r.randint(0, 6)):
        fields[name] = number(r)
    if "desiredpayment" not in fields:
        fields["desiredpayment"] = str(r.randint(100, 900))
    req = {"fields": fields, "commands": r.sample(COMMANDS, r.randint(1, 3))}
    if r.random() < 0.3:
        req["rolloption"] = r.randint(0, 3)
    if r.random() < 0.1:
        prefs = ["36", "15000", "0.10", "170", "595", "6", "23", "0", "0", "0", "60", "6.99",
                 "0", "0", "0", "0"]
        prefs[r.randrange(16)] = number(r)
        req["preferences"] = prefs
    if extra:
        rich(r, req)
    line = json.dumps(req, ensure_ascii=r.random() < 0.5)
    if r.random() < 0.03:
        line = line[: r.randrange(1, len(line))]  # a broken line (never blank)
    return line


def simple(r):
    msrp = r.randint(18000, 70000)
    fields = {"msrp": str(msrp), "sellingprice": str(msrp - r.randint(-5000, 5000)),
              "downpayment": str(r.randint(0, 5000)), "rate": "%.2f" % r.uniform(0, 9),
              "residual": "%.2f" % r.uniform(0.4, 0.7), "term": r.choice(["24", "36", "39", "48"]),
              "rebates": "500", "taxrate": r.choice(["6", "7.25", "8.875"])}
    return json.dumps({"fields": fields, "commands": ["calculate"]})


def main():
    n, seed = int(sys.argv[1]), int(sys.argv[2])
    kind = sys.argv[3] if len(sys.argv) > 3 else ""
    r = random.Random(seed)
    for _ in range(n):
        print(simple(r) if kind == "simple" else request(r, kind == "rich"))


if __name__ == "__main__":
    main()
