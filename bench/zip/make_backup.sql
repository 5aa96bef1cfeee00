-- Fills the benchmark database with rows of the kinds a business database holds: names, addresses, amounts,
-- dates and text notes. Run by zip_bench.sh through isql-fb; the script then backs it up with gbak.
set term ^ ;
create table customers (
    id integer not null primary key, name varchar(60), street varchar(80), city varchar(40), phone varchar(20),
    email varchar(60), created timestamp, credit numeric(15, 2), notes varchar(200))^
create table invoices (
    id integer not null primary key, customer_id integer, issued date, total numeric(15, 2), status char(1),
    memo varchar(100))^
create table items (
    id integer not null primary key, invoice_id integer, product varchar(50), quantity integer,
    price numeric(15, 2))^
create table documents (id integer not null primary key, body blob sub_type text)^
commit^
execute block as
    declare i integer = 0;
    declare words varchar(400) = 'Silva Santos Oliveira Souza Lima Pereira Ferreira Costa Rodrigues Almeida Nascimento Carvalho Araujo Ribeiro Gomes Martins Rocha Barbosa Mendes Cardoso Teixeira Moreira Correia Dias Vieira Nunes Freitas Ramos Pinto Moura Cavalcanti Monteiro ';
    declare cities varchar(200) = 'Lisboa Porto Braga Coimbra Faro Aveiro Viseu Leiria Evora Setubal Guarda Beja Funchal ';
begin
    while (i < 400000) do begin
        insert into customers values (:i,
            substring(:words from 1 + mod(:i * 7, 300) for 9 + mod(:i, 12)) || ' ' ||
            substring(:words from 1 + mod(:i * 13, 300) for 8),
            'Rua ' || substring(:words from 1 + mod(:i * 11, 300) for 10) || ', ' || mod(:i * 37, 2000),
            substring(:cities from 1 + mod(:i * 3, 90) for 8),
            '+351 ' || (210000000 + mod(:i * 7919, 9999999)),
            lower(substring(:words from 1 + mod(:i * 17, 300) for 7)) || :i || '@example.pt',
            dateadd(mod(:i * 97, 5000000) second to timestamp '2010-01-01 08:00:00'),
            mod(:i * 7919, 1000000) / 100.0,
            iif(mod(:i, 3) = 0, 'Cliente preferencial desde ' || (2000 + mod(:i, 20)) || '; contacto por email', null));
        i = i + 1;
    end
end^
commit^
execute block as
    declare i integer = 0;
    declare products varchar(300) = 'Parafuso Porca Anilha Martelo Chave Alicate Serrote Broca Lixa Cola Tinta Pincel Rolo Fita Prego Cabo ';
begin
    while (i < 1200000) do begin
        insert into invoices values (:i, mod(:i * 31, 400000), dateadd(mod(:i, 4000) day to date '2012-01-01'),
            mod(:i * 104729, 10000000) / 100.0, substring('PADC' from 1 + mod(:i, 4) for 1),
            iif(mod(:i, 5) = 0, 'Entrega ' || substring(:products from 1 + mod(:i, 80) for 12), null));
        insert into items values (2 * :i, :i, substring(:products from 1 + mod(:i * 7, 90) for 14),
            1 + mod(:i, 50), mod(:i * 7727, 100000) / 100.0);
        insert into items values (2 * :i + 1, :i, substring(:products from 1 + mod(:i * 5, 90) for 11),
            1 + mod(:i, 7), mod(:i * 3581, 100000) / 100.0);
        i = i + 1;
    end
end^
commit^
execute block as
    declare i integer = 0;
    declare j integer;
    declare body varchar(8000);
begin
    while (i < 30000) do begin
        body = '';
        j = 0;
        while (j < 30) do begin
            body = body || 'Linha ' || j || ' do documento ' || i || ': valor ' || mod(i * j * 7919, 100000) ||
                   ' referente ao contrato ' || (i + j) || '.' || ascii_char(10);
            j = j + 1;
        end
        insert into documents values (:i, :body);
        i = i + 1;
    end
end^
commit^
set term ; ^
