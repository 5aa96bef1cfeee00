-- Tables of the backup benchmark database; backup_bench.sh runs this once after CREATE DATABASE, then
-- fill_batch.sql until the database is large enough.
create sequence bench_id;
create table customers (
    id bigint not null primary key, name varchar(60), street varchar(80), city varchar(40), phone varchar(20),
    email varchar(60), created timestamp, credit numeric(15, 2), notes varchar(200));
create table invoices (
    id bigint not null primary key, customer_id bigint, issued date, total numeric(15, 2), tax double precision,
    quantity integer, status char(1), memo varchar(120));
commit;
