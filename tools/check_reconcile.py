#!/usr/bin/env python3
"""Checks Reconcile Contract on generated deals through tallyquote-cli, by hand:

    tools/check_reconcile.py build/tallyquote-cli 5000 [seed]

Each deal is calculated; its own base and total payments (and term) are then reconciled as a
contract. The money factor interval must hold the deal's money factor, and at the deal's money
factor the selling price interval must hold its price. Each end is priced with Calculate Payments:
the end reproduces both payments, one step beyond it (1e-9, or a cent) does not; at the money
factor's low end the reserve is the one Calculate Payments shows there.
"""
import json
import random
import subprocess
import sys

FACTOR_PREFS = ["36", "15000", "0.10", "170", "595", "6", "23", "0", "0", "0", "60", "6.99",
                "0", "0", "1", "0"]


def run(cli, requests):
    text = "".join(json.dumps(r) + "\n" for r in requests)
    out = subprocess.run([cli, "--jsonl"], input=text, capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines()]


def deal(rng):
    price = rng.randint(8000, 90000)
    fields = {
        "msrp": str(price + rng.randint(0, 5000)), "sellingprice": str(price),
        "addons": str(rng.choice([0, 0, 1200])), "downpayment": str(rng.randint(0, 6000)),
        "tradeallowance": str(rng.choice([0, 4000])), "tradepayoff": str(rng.choice([0, 6000])),
        "rate": str(rng.randint(1, 45) / 10000), "buyrate": "0",
        "residual": str(rng.randint(35, 70) / 100), "term": rng.choice(["24", "36", "39", "48"]),
        "rebates": rng.choice(["0", "500"]), "milesyear": rng.choice(["12000", "18000"]),
        "docfee": rng.choice(["0", "170"]), "acqfee": rng.choice(["0", "695"]),
        "taxrate": rng.choice(["0", "6", "9.5"]), "platecharge": rng.choice(["0", "23"]),
    }
    structure = {"tax": rng.choice(["monthly", "monthly", "upfront_payments", "upfront_price"]),
                 "upfront_tax": rng.choice(["paid", "capitalized"]),
                 "acqfee": rng.choice(["paid", "capitalized"])}
    return {"preferences": FACTOR_PREFS, "fields": fields, "structure": structure}


def with_fields(base, **changes):
    request = json.loads(json.dumps(base))
    request["fields"].update(changes)
    request["commands"] = ["calculate"]
    return request


def main():
    cli, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 7)
    deals = [deal(rng) for _ in range(count)]
    priced = run(cli, [with_fields(d) for d in deals])
    asks, kept = [], []
    for d, p in zip(deals, priced):
        f = p["fields"]
        if p["messages"] or float(f["basepayment"]) <= 0:
            continue  # no lease to reconcile
        contract = {"base_payment": f["basepayment"], "monthly_payment": f["monthlypayment"],
                    "term": f["term"]}
        asks.append(dict(d, reconcile=contract))
        asks.append(dict(d, reconcile=dict(contract, money_factor=d["fields"]["rate"])))
        kept.append((d, f))
    answers = run(cli, asks)
    checks, failures, ends = [], 0, []
    for i, (d, f) in enumerate(kept):
        factor = answers[2 * i]["reconcile"]["money_factor"]
        price = answers[2 * i + 1]["reconcile"]["selling_price"]
        rate, sold = float(d["fields"]["rate"]), float(d["fields"]["sellingprice"])
        if not factor or not price or not (float(factor[0]) <= rate <= float(factor[1])) or \
                not (float(price[0]) <= sold <= float(price[1])):
            failures += 1
            print("not held:", d["fields"], factor, price)
            continue
        for field, interval, unit in (("rate", factor, 1e-9), ("sellingprice", price, 0.01)):
            for end, outward in ((interval[0], -unit), (interval[1], unit)):
                for step in (0, outward):
                    value = repr(round(float(end) + step, 9 if field == "rate" else 2))
                    ends.append(with_fields(d, **{field: value}))
                    # At the low end, the reserve is what Calculate Payments shows there.
                    reserve = answers[2 * i]["reconcile"]["reserve"] \
                        if field == "rate" and end == interval[0] and step == 0 else None
                    checks.append((f, step == 0, d["fields"], field, value, reserve))
    for (f, inside, fields, field, value, reserve), p in zip(checks, run(cli, ends)):
        if reserve is not None and reserve != p["fields"]["totalreserve"]:
            failures += 1
            print("reserve wrong:", reserve, p["fields"]["totalreserve"], fields)
        same = (p["fields"]["basepayment"], p["fields"]["monthlypayment"]) == \
               (f["basepayment"], f["monthlypayment"])
        if same != inside:
            failures += 1
            print("end wrong:", field, value, "inside" if inside else "outside", fields)
    print(f"{len(kept)} deals reconciled, {len(checks)} ends priced, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
