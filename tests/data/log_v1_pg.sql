--
-- PostgreSQL database dump
--

\restrict ZroDaoDI62eyoMj3D30nc8KXSghzSOQnWmd3kCe0qGwR2MtmYP8vT5R0JR2sZpC

-- Dumped from database version 15.18 (Debian 15.18-0+deb12u1)
-- Dumped by pg_dump version 15.18 (Debian 15.18-0+deb12u1)

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

SET default_tablespace = '';

SET default_table_access_method = heap;

--
-- Name: customer_words; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.customer_words (
    word text NOT NULL COLLATE pg_catalog."C",
    version bigint NOT NULL
);


--
-- Name: deals; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.deals (
    id bigint NOT NULL,
    stock text DEFAULT ''::text NOT NULL,
    status text DEFAULT 'worksheet'::text NOT NULL
);


--
-- Name: deals_id_seq; Type: SEQUENCE; Schema: public; Owner: -
--

ALTER TABLE public.deals ALTER COLUMN id ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME public.deals_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);


--
-- Name: statuses; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.statuses (
    id bigint NOT NULL,
    deal bigint NOT NULL,
    status text NOT NULL,
    replaced text NOT NULL,
    "time" text NOT NULL,
    desk_user text NOT NULL
);


--
-- Name: statuses_id_seq; Type: SEQUENCE; Schema: public; Owner: -
--

ALTER TABLE public.statuses ALTER COLUMN id ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME public.statuses_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);


--
-- Name: tallyquote_schema; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.tallyquote_schema (
    version integer NOT NULL
);


--
-- Name: versions; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.versions (
    id bigint NOT NULL,
    deal bigint NOT NULL,
    "time" text NOT NULL,
    desk_user text NOT NULL,
    trigger_name text NOT NULL,
    customer text NOT NULL,
    customer_key text NOT NULL COLLATE pg_catalog."C",
    vin text NOT NULL,
    stock text NOT NULL,
    term text NOT NULL,
    payment text NOT NULL,
    payment_cents bigint NOT NULL,
    total_due text NOT NULL,
    program text NOT NULL,
    deal_json text NOT NULL,
    preferences text NOT NULL
);


--
-- Name: versions_id_seq; Type: SEQUENCE; Schema: public; Owner: -
--

ALTER TABLE public.versions ALTER COLUMN id ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME public.versions_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);


--
-- Data for Name: customer_words; Type: TABLE DATA; Schema: public; Owner: -
--

INSERT INTO public.customer_words VALUES ('Ödön Ünal', 1);
INSERT INTO public.customer_words VALUES ('Ödön', 1);
INSERT INTO public.customer_words VALUES ('Ünal', 1);
INSERT INTO public.customer_words VALUES ('Ödön Ünal', 2);
INSERT INTO public.customer_words VALUES ('Ödön', 2);
INSERT INTO public.customer_words VALUES ('Ünal', 2);
INSERT INTO public.customer_words VALUES ('Ödön Ünal', 3);
INSERT INTO public.customer_words VALUES ('Ödön', 3);
INSERT INTO public.customer_words VALUES ('Ünal', 3);
INSERT INTO public.customer_words VALUES ('ann o''brien', 4);
INSERT INTO public.customer_words VALUES ('ann', 4);
INSERT INTO public.customer_words VALUES ('o', 4);
INSERT INTO public.customer_words VALUES ('brien', 4);
INSERT INTO public.customer_words VALUES ('mary smith-jones', 5);
INSERT INTO public.customer_words VALUES ('mary', 5);
INSERT INTO public.customer_words VALUES ('smith', 5);
INSERT INTO public.customer_words VALUES ('jones', 5);


--
-- Data for Name: deals; Type: TABLE DATA; Schema: public; Owner: -
--

INSERT INTO public.deals OVERRIDING SYSTEM VALUE VALUES (3, 'STC', 'worksheet');
INSERT INTO public.deals OVERRIDING SYSTEM VALUE VALUES (4, '', 'worksheet');
INSERT INTO public.deals OVERRIDING SYSTEM VALUE VALUES (1, 'STA', 'sold');
INSERT INTO public.deals OVERRIDING SYSTEM VALUE VALUES (2, 'STB', 'pending');


--
-- Data for Name: statuses; Type: TABLE DATA; Schema: public; Owner: -
--

INSERT INTO public.statuses OVERRIDING SYSTEM VALUE VALUES (1, 1, 'sold', 'worksheet', '2026-12-08T03:48:05Z', 'root');
INSERT INTO public.statuses OVERRIDING SYSTEM VALUE VALUES (2, 2, 'pending', 'worksheet', '2026-12-08T03:48:05Z', 'root');


--
-- Data for Name: tallyquote_schema; Type: TABLE DATA; Schema: public; Owner: -
--

INSERT INTO public.tallyquote_schema VALUES (1);


--
-- Data for Name: versions; Type: TABLE DATA; Schema: public; Owner: -
--

INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (1, 1, '2026-12-08T03:48:05Z', 'root', 'cli', 'Ödön Ünal', 'Ödön Ünal', '1HGCM82633A004352', 'STA', '36', '417.64', 41764, '2417.64', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "28000",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "36",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "394.00",
    "taxes": "23.64",
    "monthlypayment": "417.64",
    "txtstartups": "417.64",
    "totaldue": "2417.64",
    "ctotalcapcost": "26788.00",
    "ctotaldown": "2000.00",
    "csinglepay": "17827.34",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "3895.81",
    "f_amountfinanced": "27883.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "551.99",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "Ödön Ünal",
    "vin": "1HGCM82633A004352",
    "stock": "STA",
    "salesperson": "Dana"
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');
INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (2, 1, '2026-12-08T03:48:05Z', 'root', 'cli', 'Ödön Ünal', 'Ödön Ünal', '1HGCM82633A004352', 'STA', '48', '329.54', 32954, '2329.54', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "27500",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "48",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "310.89",
    "taxes": "18.65",
    "monthlypayment": "329.54",
    "txtstartups": "329.54",
    "totaldue": "2329.54",
    "ctotalcapcost": "26288.00",
    "ctotaldown": "2000.00",
    "csinglepay": "18571.00",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "5134.19",
    "f_amountfinanced": "27353.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "541.50",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "Ödön Ünal",
    "vin": "1HGCM82633A004352",
    "stock": "STA",
    "salesperson": "Dana"
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');
INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (3, 1, '2026-12-08T03:48:05Z', 'root', 'cli', 'Ödön Ünal', 'Ödön Ünal', '1HGCM82633A004352', 'STA', '6', '1752.94', 175294, '3752.94', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "27000",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "6",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "1653.72",
    "taxes": "99.22",
    "monthlypayment": "1752.94",
    "txtstartups": "1752.94",
    "totaldue": "3752.94",
    "ctotalcapcost": "25788.00",
    "ctotaldown": "2000.00",
    "csinglepay": "14780.99",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "634.30",
    "f_amountfinanced": "26823.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "531.00",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "Ödön Ünal",
    "vin": "1HGCM82633A004352",
    "stock": "STA",
    "salesperson": "Dana"
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');
INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (4, 2, '2026-12-08T03:48:05Z', 'root', 'cli', 'Ann O''Brien', 'ann o''brien', '2T1BURHE0JC012345', 'STB', '120', '240.04', 24004, '2240.04', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "31000",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "120",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "226.45",
    "taxes": "13.59",
    "monthlypayment": "240.04",
    "txtstartups": "240.04",
    "totaldue": "2240.04",
    "ctotalcapcost": "29788.00",
    "ctotaldown": "2000.00",
    "csinglepay": "31824.21",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "13887.17",
    "f_amountfinanced": "31063.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "614.94",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "Ann O''Brien",
    "vin": "2T1BURHE0JC012345",
    "stock": "STB",
    "salesperson": "Kim"
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');
INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (5, 3, '2026-12-08T03:48:05Z', 'root', 'cli', 'Mary Smith-Jones', 'mary smith-jones', '3VWDX7AJ5BM123456', 'STC', '36', '497.87', 49787, '2497.87', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "30500",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "36",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "469.69",
    "taxes": "28.18",
    "monthlypayment": "497.87",
    "txtstartups": "497.87",
    "totaldue": "2497.87",
    "ctotalcapcost": "29288.00",
    "ctotaldown": "2000.00",
    "csinglepay": "20796.59",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "4120.98",
    "f_amountfinanced": "30533.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "604.45",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "Mary Smith-Jones",
    "vin": "3VWDX7AJ5BM123456",
    "stock": "STC",
    "salesperson": "Dana"
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');
INSERT INTO public.versions OVERRIDING SYSTEM VALUE VALUES (6, 4, '2026-12-08T03:48:05Z', 'root', 'cli', '', '', '', '', '24', '686.14', 68614, '2686.14', '', '{
  "format": 1,
  "fields": {
    "msrp": "30000",
    "optionpackage": "0",
    "sellingprice": "30500",
    "addons": "0",
    "downpayment": "2000",
    "tradeallowance": "0",
    "tradepayoff": "0",
    "rate": "6",
    "buyrate": "0",
    "residual": "0.55",
    "term": "24",
    "rebates": "0",
    "milesyear": "15000",
    "financerebate": "0",
    "financeterm": "60",
    "financerate": "6.99",
    "mileagecharge": "0.10",
    "docfee": "170",
    "acqfee": "595",
    "taxrate": "6",
    "platecharge": "23",
    "basepayment": "647.30",
    "taxes": "38.84",
    "monthlypayment": "686.14",
    "txtstartups": "686.14",
    "totaldue": "2686.14",
    "ctotalcapcost": "29288.00",
    "ctotaldown": "2000.00",
    "csinglepay": "19494.50",
    "cresidual": "16500.00",
    "ctradeequity": "0.00",
    "totalreserve": "2747.32",
    "f_amountfinanced": "30533.20",
    "f_term": "60",
    "f_rate": "6.99",
    "f_payment": "604.45",
    "totalcod": "0",
    "deficency": "0",
    "desiredpayment": "0"
  },
  "rolloption": 0,
  "details": {
    "customer": "",
    "vin": "",
    "stock": "",
    "salesperson": ""
  }
}
', '["36","15000","0.10","170","595","6","23","0","0","0","60","6.99","0","0","0","0"]');


--
-- Name: deals_id_seq; Type: SEQUENCE SET; Schema: public; Owner: -
--

SELECT pg_catalog.setval('public.deals_id_seq', 4, true);


--
-- Name: statuses_id_seq; Type: SEQUENCE SET; Schema: public; Owner: -
--

SELECT pg_catalog.setval('public.statuses_id_seq', 2, true);


--
-- Name: versions_id_seq; Type: SEQUENCE SET; Schema: public; Owner: -
--

SELECT pg_catalog.setval('public.versions_id_seq', 6, true);


--
-- Name: deals deals_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.deals
    ADD CONSTRAINT deals_pkey PRIMARY KEY (id);


--
-- Name: statuses statuses_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.statuses
    ADD CONSTRAINT statuses_pkey PRIMARY KEY (id);


--
-- Name: versions versions_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.versions
    ADD CONSTRAINT versions_pkey PRIMARY KEY (id);


--
-- Name: customer_words_word; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX customer_words_word ON public.customer_words USING btree (word, version);


--
-- Name: deals_one_sold; Type: INDEX; Schema: public; Owner: -
--

CREATE UNIQUE INDEX deals_one_sold ON public.deals USING btree (stock) WHERE ((status = 'sold'::text) AND (stock <> ''::text));


--
-- Name: statuses_deal; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX statuses_deal ON public.statuses USING btree (deal, id);


--
-- Name: versions_customer; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_customer ON public.versions USING btree (customer_key, deal);


--
-- Name: versions_deal; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_deal ON public.versions USING btree (deal, id);


--
-- Name: versions_payment; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_payment ON public.versions USING btree (payment_cents, deal);


--
-- Name: versions_stock; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_stock ON public.versions USING btree (stock, deal);


--
-- Name: versions_time; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_time ON public.versions USING btree ("time", deal);


--
-- Name: versions_user; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_user ON public.versions USING btree (desk_user, deal);


--
-- Name: versions_vin; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX versions_vin ON public.versions USING btree (vin, deal);


--
-- Name: customer_words customer_words_version_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.customer_words
    ADD CONSTRAINT customer_words_version_fkey FOREIGN KEY (version) REFERENCES public.versions(id);


--
-- Name: statuses statuses_deal_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.statuses
    ADD CONSTRAINT statuses_deal_fkey FOREIGN KEY (deal) REFERENCES public.deals(id);


--
-- Name: versions versions_deal_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.versions
    ADD CONSTRAINT versions_deal_fkey FOREIGN KEY (deal) REFERENCES public.deals(id);


--
-- PostgreSQL database dump complete
--

\unrestrict ZroDaoDI62eyoMj3D30nc8KXSghzSOQnWmd3kCe0qGwR2MtmYP8vT5R0JR2sZpC

