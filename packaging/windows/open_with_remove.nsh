; Undoes open_with.nsh.
DeleteRegKey SHCTX "Software\Classes\Applications\velkor.exe"
DeleteRegKey SHCTX "Software\Classes\.prg\OpenWithList\velkor.exe"
