{ Prints what FreePascal's TDbf reads from a .DBF of any level, dBase 7 included:
    level N
    field NAME TYPE SIZE            (TYPE as TDbf maps it: String, Integer, Float, Boolean ...)
    NAME=VALUE|NAME=VALUE|...       (one line per row, values through AsString, bytes as stored)

    tdbf_dump FILE.dbf }
program tdbf_dump;
{$mode objfpc}{$H+}
uses SysUtils, db, dbf;
var
  Table: TDbf;
  I: Integer;
  Line: string;
begin
  DefaultFormatSettings.DecimalSeparator := '.';
  Table := TDbf.Create(nil);
  try
    Table.FilePathFull := ExtractFilePath(ParamStr(1));
    Table.TableName := ExtractFileName(ParamStr(1));
    Table.ReadOnly := True;
    Table.Open;
    WriteLn('level ', Table.TableLevel);
    for I := 0 to Table.FieldCount - 1 do
      WriteLn('field ', Table.Fields[I].FieldName, ' ', FieldTypeNames[Table.Fields[I].DataType],
              ' ', Table.Fields[I].Size);
    Table.First;
    while not Table.EOF do
    begin
      Line := '';
      for I := 0 to Table.FieldCount - 1 do
      begin
        if I > 0 then
          Line := Line + '|';
        if Table.Fields[I].IsNull then
          Line := Line + Table.Fields[I].FieldName + '=<null>'
        else
          Line := Line + Table.Fields[I].FieldName + '=' + Table.Fields[I].AsString;
      end;
      WriteLn(Line);
      Table.Next;
    end;
    Table.Close;
  finally
    Table.Free;
  end;
end.
