{ Lists the physical record numbers of a .DBF in the order FreePascal's TDbf visits them,
  optionally through a tag of its production .MDX (TDbf walks the B-tree from the root, so a
  broken branch or leaf shows up as a wrong or short listing).

    tdbf_order FILE.dbf [TAG]

  Prints "tag NAME" for every tag TDbf found, then one record number per line.
  On Linux TDbf only looks for the index under the lower-case name FILE.mdx. }
program tdbf_order;
{$mode objfpc}{$H+}
uses SysUtils, db, dbf;
var
  Table: TDbf;
  I: Integer;
begin
  Table := TDbf.Create(nil);
  try
    Table.FilePathFull := ExtractFilePath(ParamStr(1));
    Table.TableName := ExtractFileName(ParamStr(1));
    Table.ReadOnly := True;
    Table.Open;
    for I := 0 to Table.Indexes.Count - 1 do
      WriteLn('tag ', Table.Indexes[I].IndexFile);
    if ParamCount > 1 then
      Table.IndexName := ParamStr(2);
    Table.First;
    while not Table.EOF do
    begin
      WriteLn(Table.PhysicalRecNo);
      Table.Next;
    end;
    Table.Close;
  finally
    Table.Free;
  end;
end.
