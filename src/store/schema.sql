-- The contact database: one table of seventeen text fields and an index over the
-- name. Two contacts may share a name, so the index is not unique.
CREATE TABLE tblQuelmar (
    Nome              TEXT,
    Email             TEXT,
    EndResidencial    TEXT,
    BairroResidencial TEXT,
    CidadeResidencial TEXT,
    EstadoResidencial TEXT,
    CEPResidencial    TEXT,
    FoneResidencial   TEXT,
    CelularPessoal    TEXT,
    EndComercial      TEXT,
    BairroComercial   TEXT,
    CidadeComercial   TEXT,
    EstadoComercial   TEXT,
    CEPComercial      TEXT,
    CelularComercial  TEXT,
    FoneComercial     TEXT,
    RamalComercial    TEXT
);
CREATE INDEX indNome ON tblQuelmar (Nome);
