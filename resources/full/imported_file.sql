-- The import history of the full edition ("Trevasel.db"): one row per imported picture.
create table imported_file (
    id integer primary key,
    file_name text,
    camera_id text,
    datetime integer,
    original_file_name text not null default '',
    transferred_folder text not null default ''
);
