# PowerShell completion for vornenv, written by 'vornenv completion powershell'.
# In $PROFILE: vornenv completion powershell | Out-String | Invoke-Expression
Register-ArgumentCompleter -Native -CommandName 'vornenv', 'vornenv.exe' -ScriptBlock {
    param($wordToComplete, $commandAst, $cursorPosition)
    $toplevel = @(
        @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
        @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        @{ name = '--version'; short = '-V'; value = $false; kind = 'nothing'; words = @(); about = 'the version' }
    )
    $commands = [ordered]@{
        'run' = @{ about = 'runs COMMAND in that environment'; operands = 'commandline'; words = @(); options = @(
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'export' = @{ about = 'prints the variables the files change, for a shell: sh (bash, zsh), fish, powershell (pwsh), cmd, json'; operands = 'files'; words = @(); options = @(
            @{ name = '--format'; short = ''; value = $true; kind = 'words'; words = @('sh', 'bash', 'zsh', 'fish', 'powershell', 'pwsh', 'cmd', 'json'); about = 'output format' }
            @{ name = '--undo'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'also record what revert needs' }
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'show' = @{ about = 'shows the sections and the changed variables'; operands = 'files'; words = @(); options = @(
            @{ name = '--format'; short = ''; value = $true; kind = 'words'; words = @('text', 'json'); about = 'output format' }
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'libs' = @{ about = 'tells what each library of the section''s folders is, and which system copies win'; operands = 'files'; words = @(); options = @(
            @{ name = '--format'; short = ''; value = $true; kind = 'words'; words = @('text', 'json'); about = 'output format' }
            @{ name = '--section'; short = ''; value = $true; kind = 'nothing'; words = @(); about = 'the section whose libraries' }
            @{ name = '--all'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'every library the search finds' }
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'check' = @{ about = 'tells whether the files apply cleanly, and warns of likely mistakes'; operands = 'files'; words = @(); options = @(
            @{ name = '--format'; short = ''; value = $true; kind = 'words'; words = @('text', 'json', 'sarif'); about = 'output format' }
            @{ name = '--strict'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'warnings fail the file too' }
            @{ name = '--each'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'check each file on its own' }
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'expand' = @{ about = 'prints each text with $(NAME) expanded'; operands = 'nothing'; words = @(); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'explain' = @{ about = 'tells where the files'' value of NAME came from'; operands = 'variable'; words = @(); options = @(
            @{ name = '--system-dirs'; short = ''; value = $true; kind = 'directories'; words = @(); about = 'system library directories' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'revert' = @{ about = 'prints what undoes the last export --undo'; operands = 'nothing'; words = @(); options = @(
            @{ name = '--format'; short = ''; value = $true; kind = 'words'; words = @('sh', 'bash', 'zsh', 'fish', 'powershell', 'pwsh', 'cmd', 'json'); about = 'output format' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'hook' = @{ about = 'prints the prompt hook for bash, zsh, fish or pwsh: it applies the nearest .vornenv.ini'; operands = 'words'; words = @('bash', 'zsh', 'fish', 'pwsh', 'powershell'); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'status' = @{ about = 'tells which .vornenv.ini applies here, whether it is allowed and what the hook changed'; operands = 'nothing'; words = @(); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'prompt' = @{ about = 'what the hook runs at a prompt (not by hand)'; operands = 'words'; words = @('sh', 'bash', 'zsh', 'fish', 'powershell', 'pwsh', 'json'); options = @(
            @{ name = '--again'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'apply the file afresh' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'allow' = @{ about = 'lets the hook apply FILE, or no longer; shows or prunes the list'; operands = 'files'; words = @(); options = @(
            @{ name = '--list'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'show the allowed files' }
            @{ name = '--prune'; short = ''; value = $false; kind = 'nothing'; words = @(); about = 'drop the edited and missing files' }
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'deny' = @{ about = 'deny'; operands = 'files'; words = @(); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'help' = @{ about = 'this help, or the command''s'; operands = 'words'; words = @('run', 'export', 'show', 'libs', 'check', 'expand', 'explain', 'revert', 'hook', 'status', 'prompt', 'allow', 'deny', 'help', 'completion'); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
        'completion' = @{ about = 'prints the completion script for bash, zsh, fish or powershell'; operands = 'words'; words = @('bash', 'zsh', 'fish', 'powershell'); options = @(
            @{ name = '--help'; short = '-h'; value = $false; kind = 'nothing'; words = @(); about = 'this help' }
        ) }
    }

    $result = {
        param($text, $type, $tip)
        if ($text -match '[\s''"`$&|;,(){}@#<>]') { $text = "'" + ($text -replace "'", "''") + "'" }
        [System.Management.Automation.CompletionResult]::new($text, $text, $type, $tip)
    }
    $matching = { param($text, $prefix) $text.StartsWith($prefix, [StringComparison]::OrdinalIgnoreCase) }
    # Files and folders that begin with $prefix; description files first,
    # any file when none is one; $dirs: folders only.
    $paths = {
        param($prefix, $dirs)
        $folder = $prefix -replace '[^\\/]*$', ''
        $leaf = $prefix.Substring($folder.Length)
        $from = if ($folder) { $folder } else { '.' }
        $items = @(Get-ChildItem -LiteralPath $from -Force -ErrorAction SilentlyContinue |
            Where-Object { & $matching $_.Name $leaf })
        $chosen = @($items | Where-Object { $_.PSIsContainer -or (-not $dirs -and $_.Name -like '*.ini') })
        if (-not $dirs -and -not @($chosen | Where-Object { -not $_.PSIsContainer }).Count) { $chosen = $items }
        foreach ($item in $chosen) {
            $sep = if ($item.PSIsContainer) { [IO.Path]::DirectorySeparatorChar } else { '' }
            & $result ($folder + $item.Name + $sep) 'ProviderItem' $item.FullName
        }
    }
    $values = {
        param($kind, $words, $prefix, $before)
        switch ($kind) {
            'words' { $words | Where-Object { & $matching $_ $prefix } |
                ForEach-Object { & $result ($before + $_) 'ParameterValue' $_ } }
            'files' { & $paths $prefix $false }
            'directories' { & $paths $prefix $true }
            'variable' { Get-ChildItem Env: | Where-Object { & $matching $_.Name $prefix } |
                ForEach-Object { & $result $_.Name 'ParameterValue' $_.Name } }
        }
    }

    # The words before the one completed.
    $words = @($commandAst.CommandElements | Select-Object -Skip 1 |
        Where-Object { $_.Extent.EndOffset -le $cursorPosition } | ForEach-Object { $_.Extent.Text })
    if ($wordToComplete -ne '') { $words = @($words | Select-Object -First ($words.Count - 1)) }
    $valued = @($toplevel + @($commands.Values | ForEach-Object { $_.options }) |
        Where-Object { $_.value } | ForEach-Object { $_.name })
    $cmd = $null; $operands = 0; $dashdash = -1; $skip = $false
    for ($i = 0; $i -lt $words.Count; $i++) {
        $w = $words[$i]
        if ($skip) { $skip = $false; continue }
        if ($w -eq '--' -and $cmd) { $dashdash = $i; break }
        if ($valued -contains $w) { $skip = $true; continue }
        if ($w.StartsWith('-')) { continue }
        if ($cmd) { $operands++ } else { $cmd = $w }
    }
    $options = if ($cmd) { $commands[$cmd].options } else { $toplevel }
    if (-not $options) { return }
    if ($dashdash -ge 0) {
        if ($commands[$cmd].operands -ne 'commandline') { return }
        if ($words.Count - $dashdash -gt 1) { return & $paths $wordToComplete $false }
        return Get-Command -Name "$wordToComplete*" -CommandType Application, Function, Alias, Cmdlet -ErrorAction SilentlyContinue |
            Sort-Object -Property Name -Unique | ForEach-Object { & $result $_.Name 'Command' $_.Name }
    }
    # The value of an option: "--name value" or "--name=value".
    if ($skip) {
        $option = $options | Where-Object { $_.value -and $_.name -eq $words[-1] }
        if ($option) { & $values $option.kind $option.words $wordToComplete '' }
        return
    }
    if ($wordToComplete -match '^(--[^=]+)=(.*)$') {
        $name = $Matches[1]; $typed = $Matches[2]
        $option = $options | Where-Object { $_.value -and $_.name -eq $name }
        if ($option) { return & $values $option.kind $option.words $typed "$name=" }
    }
    if ($wordToComplete.StartsWith('-')) {
        return $options | ForEach-Object { $o = $_; @($o.name, $o.short) |
            Where-Object { $_ -and (& $matching $_ $wordToComplete) } |
            ForEach-Object { & $result $_ 'ParameterName' $o.about } }
    }
    if (-not $cmd) {
        return $commands.Keys | Where-Object { & $matching $_ $wordToComplete } |
            ForEach-Object { & $result $_ 'Command' $commands[$_].about }
    }
    $command = $commands[$cmd]
    switch ($command.operands) {
        'words' { if ($operands -eq 0) { & $values 'words' $command.words $wordToComplete '' } }
        'variable' { if ($operands -eq 0) { & $values 'variable' @() $wordToComplete '' } else { & $paths $wordToComplete $false } }
        'commandline' { & $paths $wordToComplete $false }
        'files' { & $paths $wordToComplete $false }
    }
}
