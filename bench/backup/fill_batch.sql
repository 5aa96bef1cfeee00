-- One batch of generated rows (100 000 customers, 200 000 invoices) with varied text and numbers, so that gbak
-- has real records to read and write. backup_bench.sh runs it until the database reaches its size.
set term ^ ;
execute block as
    declare n integer = 0;
    declare i bigint;
    declare words varchar(400) = 'Silva Santos Oliveira Souza Lima Pereira Ferreira Costa Rodrigues Almeida Nascimento Carvalho Araujo Ribeiro Gomes Martins Rocha Barbosa Mendes Cardoso Teixeira Moreira Correia Dias Vieira Nunes Freitas Ramos Pinto Moura Cavalcanti Monteiro ';
    declare cities varchar(200) = 'Lisboa Porto Braga Coimbra Faro Aveiro Viseu Leiria Evora Setubal Guarda Beja Funchal ';
begin
    while (n < 100000) do begin
        i = gen_id(bench_id, 1);
        insert into customers values (:i,
            substring(:words from 1 + mod(:i * 7, 300) for 9 + mod(:i, 12)) || ' ' ||
            substring(:words from 1 + mod(:i * 13, 300) for 8),
            'Rua ' || substring(:words from 1 + mod(:i * 11, 300) for 10) || ', ' || mod(:i * 37, 2000),
            substring(:cities from 1 + mod(:i * 3, 90) for 8),
            '+351 ' || (210000000 + mod(:i * 7919, 9999999)),
            lower(substring(:words from 1 + mod(:i * 17, 300) for 7)) || :i || '@example.pt',
            dateadd(mod(:i * 97, 5000000) second to timestamp '2010-01-01 08:00:00'),
            mod(:i * 7919, 1000000) / 100.0,
            'Cliente ' || substring(:words from 1 + mod(:i * 19, 300) for 12) || ' desde ' || (2000 + mod(:i, 20)) ||
            '; ref ' || (:i * 104729) || ' ' || substring(:words from 1 + mod(:i * 23, 300) for 40 + mod(:i, 50)));
        insert into invoices values (:i * 2, :i, dateadd(mod(:i * 31, 5000) day to date '2010-01-01'),
            mod(:i * 6151, 10000000) / 100.0, mod(:i * 7, 1000) / 7.0, mod(:i, 97), substring('OPCX' from 1 + mod(:i, 4) for 1),
            'Fatura ' || :i || ' ' || substring(:words from 1 + mod(:i * 29, 300) for 30 + mod(:i, 40)));
        insert into invoices values (:i * 2 + 1, :i, dateadd(mod(:i * 37, 5000) day to date '2010-01-01'),
            mod(:i * 3571, 10000000) / 100.0, mod(:i * 11, 1000) / 11.0, mod(:i, 89), substring('OPCX' from 1 + mod(:i, 4) for 1),
            'Nota ' || (:i * 31) || ' ' || substring(:words from 1 + mod(:i * 41, 300) for 20 + mod(:i, 60)));
        n = n + 1;
    end
end^
set term ; ^
commit;
