"""The README's Python example runs as written."""
import re

from conftest import ROOT, need


def test_readme_example_runs_as_written(tmp_path, monkeypatch, capsys):
    need("matplotlib")
    need("varnholt")
    section = (ROOT / "README.md").read_text().split("\n## Python\n", 1)[1]
    code = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    monkeypatch.chdir(tmp_path)
    exec(compile(code, "README.md", "exec"), {})
    assert (tmp_path / "s21.png").stat().st_size > 10000
    assert (tmp_path / "bp.s2p").read_text().count("\n# MHz S RI R 50") == 1
    assert "trials" in capsys.readouterr().out
